// The update download on any server input: the first byte picks where the response is cut,
// the rest is "description NUL response". Checks that a description accepted is safe and
// that the response reads the same however it is cut.
#include "net/update_description.h"
#include "net/update_download.h"
#include "net/update_http.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string Read(UpdateResponseReader& reader, const std::string& response, size_t cut,
                 ResponseFault& fault) {
    std::string body;
    for (const std::string& chunk : {response.substr(0, cut), response.substr(cut)}) {
        const auto step = reader.Feed(chunk);
        if (step.fault != ResponseFault::None)
            fault = step.fault;
        body += std::string(step.body);
    }
    return body;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t split = input.find('\0');
    const std::string description_text = input.substr(0, split);
    const std::string response = split == std::string::npos ? "" : input.substr(split + 1);

    const ParsedDescription parsed = ParseUpdateDescription(description_text);
    if (parsed.description) {
        for (const std::string& name : parsed.description->names)
            if (!IsSafeUpdateFileName(name) || name.find('-') != std::string::npos)
                std::abort();
    }

    const size_t cut = response.empty() ? 0 : data[0] % (response.size() + 1);
    UpdateResponseReader whole, in_two;
    ResponseFault fault_whole = ResponseFault::None, fault_two = ResponseFault::None;
    const std::string body_whole = Read(whole, response, 0, fault_whole);
    const std::string body_two = Read(in_two, response, cut, fault_two);
    if (body_whole != body_two || fault_whole != fault_two ||
        body_whole.size() > whole.announced_length())
        std::abort();

    // The window's logic on the same input never runs past its state.
    UpdateDownload download(UpdateDescription{"1 Ko", {"TheWandrelSetup.exe"}},
                            UpdateServer{"h", "h", 80}, NumberSeparators{});
    if (!download.NextFile())
        std::abort();
    download.OnData(response, 10);
    download.OnPercentTick();
    download.OnSecondTick(11);
    download.OnClosed();
    return 0;
}
