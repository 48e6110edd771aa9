#include "server/web_routes.h"

#include "server/page_cache.h"
#include "server/sending_record.h"
#include "server/site_data.h"
#include "server/throttle.h"
#include "server/trekhold_service.h"
#include "server/web_origin.h"
#include "server/website.h"

#include <httplib.h>

#include <algorithm>
#include <memory>

namespace trekhold {

namespace {

constexpr size_t kMaxNick = 64; // longer than any account's: looked up no further
constexpr int kShownSendings = 20;

void Html(httplib::Response& res, const std::string& html,
          const std::string& cache_control = "no-store") {
    res.set_header("Cache-Control", cache_control);
    res.set_content(html, "text/html; charset=utf-8");
}

// A page kept in `cache`, sent with the seconds it has left (shared caches keep it no
// longer than this server does).
void CachedHtml(httplib::Response& res, const PageCache::Page& page, int64_t now) {
    int64_t left = std::max<int64_t>(0, (page.expires_ms - now) / 1000);
    Html(res, page.body, "public, max-age=" + std::to_string(left));
}

// What a ranking address asks for; anything unknown falls back to the first choice.
struct RankingQuery {
    Quantity by = Quantity::kDistance;
    Period period = Period::kAllTime;
    bool metric = true;
    int64_t page = 1;
};

RankingQuery ReadRankingQuery(const httplib::Request& req) {
    RankingQuery q;
    q.by = QuantityFromWord(req.get_param_value("by")).value_or(Quantity::kDistance);
    q.period = PeriodFromWord(req.get_param_value("period")).value_or(Period::kAllTime);
    q.metric = req.get_param_value("units") != "english";
    auto page = ParseCount(req.get_param_value("page"), 1000000);
    q.page = page && *page > 0 ? *page : 1;
    return q;
}

std::string CacheKey(const char* kind, const RankingQuery& q) {
    return std::string(kind) + QuantityWord(q.by) + "|" + PeriodWord(q.period) +
           (q.metric ? "|m|" : "|e|") + std::to_string(q.page);
}

// The fields of a posted form, from its body only (never from the address).
httplib::Params FormFields(const httplib::Request& req) {
    httplib::Params form;
    if (req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0)
        httplib::detail::parse_query_text(req.body, form);
    return form;
}

std::string Field(const httplib::Params& form, const char* name) {
    auto it = form.find(name);
    return it == form.end() ? std::string() : it->second;
}

bool FromThisSite(const httplib::Request& req) {
    return SameOrigin(req.get_header_value("Origin"), req.get_header_value("Referer"),
                      req.get_header_value("Host"));
}

class Website {
  public:
    Website(TrekholdService& service, const WebsiteOptions& options)
        : service_(service), site_(service), options_(options), pages_(options.cache_ms, 512),
          members_(options.cache_ms, 512) {}

    void Front(const httplib::Request& req, httplib::Response& res) {
        RankingQuery q = ReadRankingQuery(req);
        int64_t now_ms = SteadyMilliseconds();
        CachedHtml(res,
                   pages_.Get(CacheKey("front|", q), now_ms,
                              [&] {
                                  RankingView view = View(q);
                                  return RenderFrontPage(site_.Community(), view);
                              }),
                   now_ms);
    }

    void Rankings(const httplib::Request& req, httplib::Response& res) {
        RankingQuery q = ReadRankingQuery(req);
        const std::string find = req.get_param_value("find");
        if (!find.empty()) {
            FindNick(q, find, res);
            return;
        }
        int64_t now_ms = SteadyMilliseconds();
        CachedHtml(
            res,
            pages_.Get(CacheKey("rank|", q), now_ms, [&] { return RenderRankingPage(View(q)); }),
            now_ms);
    }

    // "/member/NICK": the rest of the path as the HTTP library decoded it. A hidden or private
    // member gets the same answer as an unknown nickname.
    void Member(const httplib::Request& req, httplib::Response& res) {
        const std::string nick = req.matches[1].str();
        const bool metric = req.get_param_value("units") != "english";
        int64_t now_ms = SteadyMilliseconds();
        PageCache::Page page = members_.Get((metric ? "m|" : "e|") + nick, now_ms, [&] {
            if (nick.size() > kMaxNick)
                return std::string();
            std::optional<MemberSummary> member = site_.Member(nick);
            if (!member)
                return std::string(); // kept too: a crawler of names costs one query each
            MemberView view{*member, site_.Daily(member->id), site_.Monthly(member->id), metric};
            return RenderMemberPage(view);
        });
        if (page.body.empty()) {
            res.status = 404;
            Html(res, RenderNotFoundPage());
            return;
        }
        CachedHtml(res, page, now_ms);
    }

    void AccountForm(httplib::Response& res) { Html(res, RenderAccountPage({})); }

    void AccountPost(const httplib::Request& req, httplib::Response& res) {
        AccountView view;
        if (!FromThisSite(req)) {
            res.status = 403;
            view.message = "Please use the form of this site.";
            Html(res, RenderAccountPage(view));
            return;
        }
        const httplib::Params form = FormFields(req);
        const std::string action = Field(form, "action");
        view.nick = Field(form, "nick");
        const std::string password = Field(form, "password");
        const std::string address = ClientAddress(
            req.remote_addr, req.get_header_value("X-Real-IP"), options_.behind_proxy);

        AccountResult result = AccountResult::kOk;
        std::string problem;
        if (action == "hide" || action == "show") {
            result = site_.SetPrivate(view.nick, password, action == "hide", address);
            if (result == AccountResult::kOk) {
                // The public pages and answers show the change at once, not when they expire.
                pages_.Clear();
                members_.Clear();
                if (options_.forget_api_answers)
                    options_.forget_api_answers();
                view.message =
                    action == "hide" ? "Your page is now hidden." : "Your page is now public.";
            }
        } else if (action == "password") {
            const std::string fresh = Field(form, "new");
            if (fresh != Field(form, "again")) {
                result = AccountResult::kInvalid;
                problem = "The two new passwords differ.";
            } else {
                result = site_.ChangePassword(view.nick, password, fresh, address, problem);
                if (result == AccountResult::kOk) {
                    view.message = "Your password is changed. Enter it in TheWandrel's "
                                   "settings too.";
                }
            }
        } else if (action != "view") {
            result = AccountResult::kInvalid;
            problem = "Please use the form of this site.";
        }
        if (result == AccountResult::kOk) {
            // A change has checked the password already; only viewing checks it here.
            view.member.emplace();
            result = action == "view" ? site_.SignIn(view.nick, password, address, kShownSendings,
                                                     *view.member, view.sendings)
                                      : site_.OwnPage(view.nick, kShownSendings, *view.member,
                                                      view.sendings);
        }
        if (result != AccountResult::kOk) {
            view.member.reset();
            view.sendings.clear();
            view.message = Refusal(result, problem, res.status);
        }
        view.message_is_error = result != AccountResult::kOk;
        Html(res, RenderAccountPage(view));
    }

    void SignUp(const httplib::Request& req, httplib::Response& res) {
        if (!FromThisSite(req)) {
            res.status = 403;
            Html(res, RenderSignUpPage("Please use the form of this site.", "", false));
            return;
        }
        const httplib::Params form = FormFields(req);
        std::string nick = Field(form, "nick");
        std::string password = Field(form, "password");
        if (password != Field(form, "again")) {
            res.status = 400;
            Html(res, RenderSignUpPage("The two passwords differ.", nick, false));
            return;
        }
        std::string problem;
        std::string address = ClientAddress(req.remote_addr, req.get_header_value("X-Real-IP"),
                                            options_.behind_proxy);
        switch (service_.SignUp(nick, password, problem, address)) {
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
            Html(res, RenderSignUpPage("Too many accounts were created from your address. "
                                       "Please try again later.",
                                       nick, false));
            return;
        case SignUpResult::kFailed:
            res.status = 503;
            Html(res, RenderSignUpPage("The account could not be created. Please try again "
                                       "later.",
                                       nick, false));
            return;
        }
    }

  private:
    RankingView View(const RankingQuery& q) {
        RankingView view;
        view.result = site_.Ranking(q.by, q.period, q.page, kRankingPageSize);
        view.metric = q.metric;
        view.now = site_.Now();
        return view;
    }

    // The "find nickname" form: on to the row of the page that holds the member, or to
    // the member's page when they have nothing in this period; an unknown, hidden or private
    // nickname gets the ranking's first page saying so.
    void FindNick(RankingQuery q, const std::string& find, httplib::Response& res) {
        std::optional<NickPlace> place;
        if (find.size() <= kMaxNick)
            place = site_.Place(find, q.by, q.period, kRankingPageSize);
        if (place) {
            std::string address = place->rank > 0
                                      ? RankingAddress(q.by, q.period, q.metric, place->page) +
                                            "#rank-" + std::to_string(place->rank)
                                      : MemberAddress(place->nick);
            res.set_redirect(address, 303);
            res.set_header("Cache-Control", "no-store");
            return;
        }
        q.page = 1;
        RankingView view = View(q);
        view.not_found = find;
        Html(res, RenderRankingPage(view));
    }

    static std::string Refusal(AccountResult result, const std::string& problem, int& status) {
        switch (result) {
        case AccountResult::kUnknownNick:
        case AccountResult::kWrongPassword:
            status = 403;
            return "The nickname or the password is wrong.";
        case AccountResult::kWait:
            status = 429;
            return "Too many wrong passwords: please wait a few minutes and try again.";
        case AccountResult::kInvalid:
            status = 400;
            return problem.empty() ? "Please check what you entered." : problem;
        case AccountResult::kFailed:
        case AccountResult::kOk:
            break;
        }
        status = 503;
        return "The server could not do this now. Please try again later.";
    }

    TrekholdService& service_;
    SiteData site_;
    WebsiteOptions options_;
    PageCache pages_, members_;
};

} // namespace

void InstallWebsite(httplib::Server& server, TrekholdService& service,
                    const WebsiteOptions& options) {
    auto site = std::make_shared<Website>(service, options);
    server.Get("/style.css", [](const httplib::Request&, httplib::Response& res) {
        // Linked with its digest in the address: a new sheet has a new address.
        res.set_header("Cache-Control", "public, max-age=31536000, immutable");
        res.set_content(StyleSheet(), "text/css; charset=utf-8");
    });
    server.Get("/", [site](const httplib::Request& req, httplib::Response& res) {
        site->Front(req, res);
    });
    server.Get("/rankings", [site](const httplib::Request& req, httplib::Response& res) {
        site->Rankings(req, res);
    });
    // ".+": the library decodes the path before routing, so an old account's "/" (sent
    // as %2F) is part of the name.
    server.Get(R"(/member/(.+))", [site](const httplib::Request& req, httplib::Response& res) {
        site->Member(req, res);
    });
    server.Get("/account",
               [site](const httplib::Request&, httplib::Response& res) { site->AccountForm(res); });
    server.Post("/account", [site](const httplib::Request& req, httplib::Response& res) {
        site->AccountPost(req, res);
    });
    server.Get("/signup", [](const httplib::Request&, httplib::Response& res) {
        Html(res, RenderSignUpPage("", "", false));
    });
    server.Post("/signup", [site](const httplib::Request& req, httplib::Response& res) {
        site->SignUp(req, res);
    });
}

} // namespace trekhold
