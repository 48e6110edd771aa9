#include "net/program_list.h"

#include "net/server_address.h"

#include <algorithm>

namespace {

bool AllDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool AllHex(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

// The next line from `pos` without its CR LF; false at the end of the body.
bool NextLine(const std::string& body, size_t& pos, std::string& line) {
    if (pos > body.size())
        return false;
    size_t end = body.find('\n', pos);
    if (end == std::string::npos)
        end = body.size();
    line.assign(body, pos, end - pos);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    pos = end + 1;
    return true;
}

} // namespace

std::optional<ProgramList> ParseProgramList(const std::string& body) {
    size_t pos = 0;
    std::string line;
    if (!NextLine(body, pos, line) || line.size() != 3 || !AllDigits(line))
        return std::nullopt;
    ProgramList list;
    list.version = line;
    while (NextLine(body, pos, line)) {
        if (line.empty())
            continue;
        if (line.size() != 32 || !AllHex(line))
            return std::nullopt;
        std::string digest = line;
        std::transform(digest.begin(), digest.end(), digest.begin(),
                       [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 32) : c; });
        list.digests.push_back(std::move(digest));
    }
    return list;
}

bool ProgramAccepted(const ProgramList& list, const std::string& digest) {
    return list.digests.empty() ||
           std::find(list.digests.begin(), list.digests.end(), digest) != list.digests.end();
}

void VerifieListe(ExchangeServices& services, ServerLinkState& state,
                  const std::string& answer_version, const std::string& program_digest) {
    if (answer_version == state.ListVersion)
        return;
    const std::optional<ProgramList> list =
        ParseProgramList(services.http.Get(ServerBaseUrl(services.settings) + kDigestListEndpoint));
    if (!list)
        return;
    state.ListVersion = list->version;
    state.ProgramListed = ProgramAccepted(*list, program_digest);
}
