#include "server/http_front.h"

#include "server/access_log.h"
#include "server/answers.h"
#include "server/byte_range.h"
#include "server/json_api.h"
#include "server/page_cache.h"
#include "server/problem_log.h"
#include "server/throttle.h"
#include "server/update_folder.h"
#include "server/web_origin.h"
#include "server/website.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <unistd.h>
#include <vector>

namespace trekhold {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void Answer(httplib::Response& res, const std::string& text) {
    res.set_header("Cache-Control", "no-store");
    res.set_content(text, "text/plain; charset=windows-1252");
}

void Html(httplib::Response& res, const std::string& html,
          const std::string& cache_control = "no-store") {
    res.set_header("Cache-Control", cache_control);
    res.set_content(html, "text/html; charset=utf-8");
}

// On every answer: no content sniffing, no framing, and pages that load nothing but their
// own inline style and post forms only to this site.
void SecurityHeaders(httplib::Response& res) {
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
                   "frame-ancestors 'none'; base-uri 'none'");
}

// The rendered rankings pages and the number of ranked accounts, each kept a while.
struct RankingCache {
    explicit RankingCache(int64_t lifetime_ms)
        : pages(lifetime_ms, 512), count(lifetime_ms, 1), lifetime_ms(lifetime_ms) {}
    PageCache pages, count;
    int64_t lifetime_ms;
};

thread_local std::chrono::steady_clock::time_point request_start;

int64_t PageNumber(const httplib::Request& req) {
    auto page = ParseCount(req.get_param_value("page"), 1000000);
    return page && *page > 0 ? *page : 1;
}

void RankingHandler(TrekholdService& service, RankingCache& cache, const httplib::Request& req,
                    httplib::Response& res) {
    RankingPage page;
    page.by = QuantityFromWord(req.get_param_value("by")).value_or(Quantity::kDistance);
    page.metric = req.get_param_value("units") != "english";
    int64_t now = SteadyMilliseconds();
    int64_t count = std::stoll(cache.count.Get("count", now, [&] {
        return std::to_string(service.RankedAccountCount());
    }).body);
    page.pages = count == 0 ? 1 : (count + kRankingPageSize - 1) / kRankingPageSize;
    page.page = std::min(PageNumber(req), page.pages);
    page.first_rank = (page.page - 1) * kRankingPageSize + 1;
    std::string key = std::to_string(static_cast<int>(page.by)) + (page.metric ? "m" : "e") +
                      std::to_string(page.page);
    PageCache::Page rendered = cache.pages.Get(key, now, [&] {
        page.rows = service.Ranking(page.by, kRankingPageSize, page.first_rank - 1);
        return RenderRankingPage(page);
    });
    // Shared caches keep it no longer than this server does.
    int64_t left = std::max<int64_t>(0, (rendered.expires_ms - now) / 1000);
    Html(res, rendered.body, "public, max-age=" + std::to_string(left));
}

void SignUpHandler(TrekholdService& service, const FrontOptions& options,
                   const httplib::Request& req, httplib::Response& res) {
    if (!SameOrigin(req.get_header_value("Origin"), req.get_header_value("Referer"),
                    req.get_header_value("Host"))) {
        res.status = 403;
        Html(res, RenderSignUpPage("Please use the form of this site.", "", false));
        return;
    }
    // The fields come from the form's body only, never from the address.
    httplib::Params form;
    if (req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0)
        httplib::detail::parse_query_text(req.body, form);
    auto field = [&form](const char* name) {
        auto it = form.find(name);
        return it == form.end() ? std::string() : it->second;
    };
    std::string nick = field("nick");
    std::string password = field("password");
    if (password != field("again")) {
        res.status = 400;
        Html(res, RenderSignUpPage("The two passwords differ.", nick, false));
        return;
    }
    std::string problem;
    std::string address = ClientAddress(req.remote_addr, req.get_header_value("X-Real-IP"),
                                        options.behind_proxy);
    switch (service.SignUp(nick, password, problem, address)) {
    case SignUpResult::kCreated:
        Html(res, RenderSignUpPage("", nick, true));
        return;
    case SignUpResult::kInvalid:
        res.status = 400;
        Html(res, RenderSignUpPage(problem, nick, false));
        return;
    case SignUpResult::kTaken:
        res.status = 409;
        Html(res, RenderSignUpPage("This nickname is already taken.", nick, false));
        return;
    case SignUpResult::kTooMany:
        res.status = 429;
        Html(res, RenderSignUpPage("Too many accounts were created from your address. Please try "
                                   "again later.",
                                   nick, false));
        return;
    case SignUpResult::kFailed:
        res.status = 503;
        Html(res, RenderSignUpPage("The account could not be created. Please try again later.",
                                   nick, false));
        return;
    }
}

// An update file sent from disk a piece at a time, so that many downloads of a large file
// take little memory; at most one byte range.
void UpdateFileHandler(const TrekholdService& service, const httplib::Request& req,
                       httplib::Response& res) {
    auto opened =
        OpenUpdateFile(service.config().update_folder, req.matches[1].str(), service.config().db_path);
    if (!opened) {
        res.status = 404;
        Html(res, RenderNotFoundPage());
        return;
    }
    const uint64_t size = opened->size;
    const ByteRange range = ChooseByteRange(req.get_header_value("Range"), size);
    res.set_header("Accept-Ranges", "bytes");
    if (range.kind == ByteRange::Kind::kUnsatisfiable) {
        res.status = 416;
        res.set_header("Content-Range", ContentRangeText(range, size));
        Answer(res, "");
        return;
    }
    if (range.kind == ByteRange::Kind::kPart) {
        res.status = 206;
        res.set_header("Content-Range", ContentRangeText(range, size));
    }
    struct Piece {
        UpdateFile file;
        std::vector<char> buffer = std::vector<char>(64 * 1024);
    };
    auto piece = std::make_shared<Piece>(Piece{std::move(*opened)});
    const std::string type = piece->file.content_type;
    const uint64_t first = range.first;
    res.set_content_provider(
        static_cast<size_t>(range.length), type.c_str(),
        [piece, first](size_t offset, size_t length, httplib::DataSink& sink) {
            size_t want = std::min(length, piece->buffer.size());
            ssize_t n = ::pread(piece->file.fd.get(), piece->buffer.data(), want,
                                static_cast<off_t>(first + offset));
            // A file that shrank meanwhile ends the answer short: the client sees it.
            return n > 0 && sink.write(piece->buffer.data(), static_cast<size_t>(n));
        });
}

// Account endpoints answer GET only: another method (HEAD included, which the library
// would send to the GET handler) must not issue a key or store a sending.
void MethodNotAllowed(const httplib::Request&, httplib::Response& res) {
    res.status = 405;
    res.set_header("Allow", "GET");
    Answer(res, "");
}

void GetOnly(httplib::Server& server, const std::string& path, httplib::Server::Handler handler) {
    server.Get(path, [handler](const httplib::Request& req, httplib::Response& res) {
        if (req.method == "GET")
            handler(req, res);
        else
            MethodNotAllowed(req, res);
    });
    server.Post(path, MethodNotAllowed).Put(path, MethodNotAllowed).Patch(path, MethodNotAllowed);
    server.Delete(path, MethodNotAllowed).Options(path, MethodNotAllowed);
}

} // namespace

std::string RawQueryPayload(const std::string& target, const std::string& name) {
    size_t question = target.find('?');
    if (question == std::string::npos)
        return "";
    std::string prefix = name + "=";
    if (target.compare(question + 1, prefix.size(), prefix) != 0)
        return "";
    std::string raw = target.substr(question + 1 + prefix.size());
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        int high = -1, low = -1;
        if (raw[i] == '%' && i + 2 < raw.size() && (high = HexValue(raw[i + 1])) >= 0 &&
            (low = HexValue(raw[i + 2])) >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += raw[i];
        }
    }
    return out;
}

void InstallRoutes(httplib::Server& server, TrekholdService& service, const FrontOptions& options) {
    server.set_payload_max_length(options.max_payload);
    auto from = [options](const httplib::Request& req) {
        return ClientAddress(req.remote_addr, req.get_header_value("X-Real-IP"),
                             options.behind_proxy);
    };

    GetOnly(server, "/Request_cle.php", [&service, from](const httplib::Request& req,
                                                    httplib::Response& res) {
        Answer(res, service.RequestKey(RawQueryPayload(req.target, "Data"), from(req)));
    });
    GetOnly(server, "/Envoi.php", [&service, from](const httplib::Request& req, httplib::Response& res) {
        Answer(res, service.Send(RawQueryPayload(req.target, "Data"), from(req)));
    });
    GetOnly(server, "/CheckData.php", [&service, from](const httplib::Request& req,
                                                  httplib::Response& res) {
        Answer(res, service.CheckData(RawQueryPayload(req.target, "Id"), from(req)));
    });
    server.Get("/Liste.php", [&service](const httplib::Request&, httplib::Response& res) {
        Answer(res, service.DigestList());
    });
    if (options.ceiling_endpoint)
        GetOnly(server, "/bench/Envoi.php", [&service](const httplib::Request& req, httplib::Response& res) {
            Answer(res, service.SendWithoutDatabase(RawQueryPayload(req.target, "Data")));
        });
    // For a supervisor or a load balancer: fails while the server refuses changes.
    server.Get("/healthz", [&service](const httplib::Request&, httplib::Response& res) {
        const bool ok = service.AcceptsChanges();
        res.status = ok ? 200 : 503;
        Answer(res, ok ? "ok" : "changes refused");
    });

    auto rankings = std::make_shared<RankingCache>(options.ranking_cache_ms);
    server.Get("/", [&service, rankings](const httplib::Request& req, httplib::Response& res) {
        RankingHandler(service, *rankings, req, res);
    });
    server.Get("/signup", [](const httplib::Request&, httplib::Response& res) {
        Html(res, RenderSignUpPage("", "", false));
    });
    server.Post("/signup", [&service, options](const httplib::Request& req,
                                               httplib::Response& res) {
        SignUpHandler(service, options, req, res);
    });
    InstallJsonApi(server, service, options.ranking_cache_ms);
    server.Get(R"(/([^/]+))", [&service](const httplib::Request& req, httplib::Response& res) {
        UpdateFileHandler(service, req, res);
    });

    server.set_exception_handler(
        [](const httplib::Request& req, httplib::Response& res, std::exception_ptr error) {
            LogProblem("request for " + req.path + " failed: " + ExceptionText(error));
            res.status = 500;
            Answer(res, answer::kFailure);
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty())
            Answer(res, "Error " + std::to_string(res.status));
    });
    server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        request_start = std::chrono::steady_clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_post_routing_handler(
        [](const httplib::Request&, httplib::Response& res) { SecurityHeaders(res); });
    if (AccessLog* log = options.access_log)
        server.set_logger([log, from](const httplib::Request& req, const httplib::Response& res) {
            // A request refused before routing never set its start: 0 ms.
            auto now = std::chrono::steady_clock::now();
            auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                request_start == decltype(now){} ? decltype(now - now){} : now - request_start);
            request_start = {};
            log->Write(AccessLine(std::chrono::duration_cast<std::chrono::seconds>(
                                      std::chrono::system_clock::now().time_since_epoch())
                                      .count(),
                                  from(req), req.method, req.path, res.status, elapsed.count()));
        });
}

} // namespace trekhold
