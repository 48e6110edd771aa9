#include "server/http_front.h"

#include "server/access_log.h"
#include "server/answers.h"
#include "server/byte_range.h"
#include "server/json_api.h"
#include "server/problem_log.h"
#include "server/throttle.h"
#include "server/update_folder.h"
#include "server/web_origin.h"
#include "server/web_routes.h"
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

// On every answer: no content sniffing, no framing, and pages that load nothing but this
// site's stylesheet and post forms only to this site.
void SecurityHeaders(httplib::Response& res) {
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; style-src 'self'; form-action 'self'; "
                   "frame-ancestors 'none'; base-uri 'none'");
}

thread_local std::chrono::steady_clock::time_point request_start;

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

    // The API's routes are all under /api/v1/, apart from the website's.
    std::function<void()> forget_api_answers =
        InstallJsonApi(server, service, options.ranking_cache_ms);
    InstallWebsite(server, service,
                   {options.behind_proxy, options.ranking_cache_ms, forget_api_answers});
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
