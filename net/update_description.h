// The download description that comes with an "Errversion" answer: the total size as display
// text, the number of files and their names, joined by "-".
//
// Every name becomes a file in the download folder, so a description is refused whole,
// before anything is downloaded, when a name could reach outside that folder or is no
// Windows file name: empty, "." or "..", a path separator, a drive colon, a control
// character, one of <>"|?* or a device name such as CON or NUL.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The program the download starts once every file has arrived.
inline constexpr const char* kSetupProgramName = "TheWandrelSetup.exe";

struct UpdateDescription {
    std::string total_size_text;    // shown after the slash of the `Total_download` label
    std::vector<std::string> names; // in download order, at least one, at most 32767
};

enum class DescriptionFault {
    None,
    MissingItems,   // fewer than three items: no count or no name
    BadCount,       // not a decimal number from 1 to 32767 (a 16-bit signed integer)
    CountMismatch,  // the count differs from the number of names
    UnsafeName,     // a name that is no plain file name of the download folder
    BadSizeText,    // empty, too long, or with control characters
    NoSetupProgram, // the setup program is not among the names
};

struct ParsedDescription {
    std::optional<UpdateDescription> description;
    DescriptionFault fault = DescriptionFault::None;
};

// The description text: the "Errversion" answer from its 12th character on.
ParsedDescription ParseUpdateDescription(const std::string& text);

// Whether `name` may be written in the download folder (single-byte text of the protocol).
bool IsSafeUpdateFileName(const std::string& name);
