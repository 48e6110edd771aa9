# The setup program TheWandrelSetup.exe, made by makensis (Debian's nsis) from the client and
# the library this build has just made.
# The version the client names itself by (its settings title reads "TheWandrel 4.2").
set(WANDREL_VERSION "4.2.0" CACHE STRING "The version the setup program registers")
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
    message(FATAL_ERROR "makensis not found: run scripts/install-deps.sh (Debian package nsis)")
endif()
set(SETUP_PROGRAM ${CMAKE_BINARY_DIR}/TheWandrelSetup.exe)
add_custom_command(
    OUTPUT ${SETUP_PROGRAM}
    COMMAND ${MAKENSIS} -V2 -NOCD
            -DCLIENT=$<TARGET_FILE:TheWandrel> -DLIBRARY=$<TARGET_FILE:zeptal>
            -DVERSION=${WANDREL_VERSION} -DOUTFILE=${SETUP_PROGRAM}
            ${CMAKE_SOURCE_DIR}/installer/TheWandrelSetup.nsi
    DEPENDS TheWandrel zeptal ${CMAKE_SOURCE_DIR}/installer/TheWandrelSetup.nsi
    COMMENT "Making the setup program TheWandrelSetup.exe"
    VERBATIM)
add_custom_target(setup_program ALL DEPENDS ${SETUP_PROGRAM})
