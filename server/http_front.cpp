#include "server/http_front.h"

#include "server/answers.h"
#include "server/failure_log.h"
#include "server/update_folder.h"
#include "server/website.h"

#include <httplib.h>

#include <algorithm>

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

void Html(httplib::Response& res, const std::string& html) {
    res.set_header("Cache-Control", "no-store");
    res.set_content(html, "text/html; charset=utf-8");
}

int64_t PageNumber(const httplib::Request& req) {
    auto page = ParseCount(req.get_param_value("page"), 1000000);
    return page && *page > 0 ? *page : 1;
}

void RankingHandler(TrekholdService& service, const httplib::Request& req, httplib::Response& res) {
    RankingPage page;
    page.by = QuantityFromWord(req.get_param_value("by")).value_or(Quantity::kDistance);
    page.metric = req.get_param_value("units") != "english";
    int64_t count = service.AccountCount();
    page.pages = count == 0 ? 1 : (count + kRankingPageSize - 1) / kRankingPageSize;
    page.page = std::min(PageNumber(req), page.pages);
    page.first_rank = (page.page - 1) * kRankingPageSize + 1;
    page.rows = service.Ranking(page.by, kRankingPageSize, page.first_rank - 1);
    Html(res, RenderRankingPage(page));
}

void SignUpHandler(TrekholdService& service, const httplib::Request& req, httplib::Response& res) {
    std::string nick = req.get_param_value("nick");
    std::string password = req.get_param_value("password");
    if (password != req.get_param_value("again")) {
        res.status = 400;
        Html(res, RenderSignUpPage("The two passwords differ.", nick, false));
        return;
    }
    std::string problem;
    switch (service.SignUp(nick, password, problem)) {
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
    case SignUpResult::kFailed:
        res.status = 503;
        Html(res, RenderSignUpPage("The account could not be created. Please try again later.",
                                   nick, false));
        return;
    }
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

    server.Get("/Request_cle.php", [&service](const httplib::Request& req, httplib::Response& res) {
        Answer(res, service.RequestKey(RawQueryPayload(req.target, "Data")));
    });
    server.Get("/Envoi.php", [&service](const httplib::Request& req, httplib::Response& res) {
        Answer(res, service.Send(RawQueryPayload(req.target, "Data")));
    });
    server.Get("/CheckData.php", [&service](const httplib::Request& req, httplib::Response& res) {
        Answer(res, service.CheckData(RawQueryPayload(req.target, "Id")));
    });
    server.Get("/Liste.php", [&service](const httplib::Request&, httplib::Response& res) {
        Answer(res, service.DigestList());
    });
    if (options.ceiling_endpoint)
        server.Get(
            "/bench/Envoi.php", [&service](const httplib::Request& req, httplib::Response& res) {
                Answer(res, service.SendWithoutDatabase(RawQueryPayload(req.target, "Data")));
            });

    server.Get("/", [&service](const httplib::Request& req, httplib::Response& res) {
        RankingHandler(service, req, res);
    });
    server.Get("/signup", [](const httplib::Request&, httplib::Response& res) {
        Html(res, RenderSignUpPage("", "", false));
    });
    server.Post("/signup", [&service](const httplib::Request& req, httplib::Response& res) {
        SignUpHandler(service, req, res);
    });
    server.Get(R"(/([^/]+))", [&service](const httplib::Request& req, httplib::Response& res) {
        auto file = ReadUpdateFile(service.config().update_folder, req.matches[1].str());
        if (!file) {
            res.status = 404;
            Html(res, RenderNotFoundPage());
            return;
        }
        res.set_content(file->content, file->content_type);
    });

    server.set_exception_handler(
        [](const httplib::Request& req, httplib::Response& res, std::exception_ptr error) {
            LogFailure(req.path.c_str(), error);
            res.status = 500;
            Answer(res, answer::kFailure);
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty())
            Answer(res, "Error " + std::to_string(res.status));
    });
}

} // namespace trekhold
