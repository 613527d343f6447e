// The routes of the lists: the podcast feed, the page with three videos and their media files.

#include "site.h"

#include "lists.h"
#include "mediaroute.h"
#include "pages.h"
#include "urlcoding.h"

#include <algorithm>

namespace demosite {

namespace {

std::string feed(int items, const std::string &root)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<rss version=\"2.0\" xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\">\n"
                      "<channel>\n<title>" + htmlEscape(lists::feedTitle) + "</title>\n<link>" + root +
                      "/</link>\n<description>Stories from the harbour, one a week.</description>\n"
                      "<itunes:author>Quayside Films</itunes:author>\n";
    out.reserve(out.size() + static_cast<std::size_t>(items) * 400);
    for (int number = 1; number <= items; ++number) {
        const std::string name = lists::episodeName(number);
        out += "<item>\n<title>" + htmlEscape(lists::episodeTitle(number)) + "</title>\n<guid isPermaLink=\"false\">" +
               name + "</guid>\n<enclosure url=\"" + root + lists::mediaPath(name) + "\" length=\"" +
               std::to_string(lists::mediaSize(name)) + "\" type=\"video/mp4\"/>\n";
        if (const int seconds = lists::episodeSeconds(number))
            out += "<itunes:duration>" + std::to_string(seconds) + "</itunes:duration>\n";
        out += "</item>\n";
    }
    return out + "</channel>\n</rss>\n";
}

std::string threeVideosPage(const std::string &root)
{
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       htmlEscape(lists::threeVideosTitle) + "</title>\n</head>\n<body>\n<h1>" +
                       htmlEscape(lists::threeVideosTitle) + "</h1>\n";
    for (int number = 1; number <= 3; ++number)
        page += "<video controls src=\"" + root + lists::mediaPath(lists::threeVideosName(number)) + "\"></video>\n";
    return page + "</body>\n</html>\n";
}

} // namespace

void Site::addListRoutes()
{
    m_server.Get(std::string(lists::feedPath), [this](const httplib::Request &req, httplib::Response &res) {
        int items = lists::defaultEpisodes;
        if (req.has_param("items")) {
            try {
                items = std::stoi(req.get_param_value("items"));
            } catch (...) {
                items = -1;
            }
        }
        if (items < 0 || items > lists::maxEpisodes) {
            res.status = 400;
            res.set_content(notFoundPage("items= takes 0 to 10000."), "text/html; charset=utf-8");
            return;
        }
        res.set_content(feed(items, rootOf(req)), "application/rss+xml; charset=utf-8");
    });

    m_server.Get(std::string(lists::threeVideosPath), [this](const httplib::Request &req, httplib::Response &res) {
        res.set_content(threeVideosPage(rootOf(req)), "text/html; charset=utf-8");
    });

    m_server.Get(R"(/listmedia/([a-z0-9-]+)\.mp4)", [this](const httplib::Request &req, httplib::Response &res) {
        serveMedia(req, res, lists::mediaVideo(req.matches[1].str()), lists::mediaCode,
                   {rootOf(req), &m_stopping, m_mediaRate, m_control.timesRequested(req.target)});
    });
}

} // namespace demosite
