#include "win_test_support.h"

#include "app/win32/unique_handle.h"

namespace wintest {

RunResult RunPumping(const std::wstring& command_line, std::chrono::milliseconds timeout) {
    RunResult result;
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    win32::UniqueHandleKernel read_end, write_end;
    if (!::CreatePipe(read_end.put(), write_end.put(), &sa, 1 << 16))
        return result;
    ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write_end.get();
    si.hStdError = write_end.get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = command_line;
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &si, &pi))
        return result;
    win32::UniqueHandleKernel process(pi.hProcess), thread(pi.hThread);
    write_end.reset();

    std::string output;
    const auto drain = [&] {
        DWORD available = 0;
        while (::PeekNamedPipe(read_end.get(), nullptr, 0, nullptr, &available, nullptr) &&
               available > 0) {
            char buffer[4096];
            DWORD got = 0;
            if (!::ReadFile(read_end.get(), buffer, sizeof(buffer), &got, nullptr) || got == 0)
                break;
            output.append(buffer, got);
        }
    };
    result.finished = PumpUntil(
        [&] {
            drain();
            return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
        },
        timeout);
    if (!result.finished) {
        ::TerminateProcess(process.get(), 99);
        ::WaitForSingleObject(process.get(), 5000);
    }
    drain();
    ::GetExitCodeProcess(process.get(), &result.exit_code);
    result.output = output;
    return result;
}

} // namespace wintest
