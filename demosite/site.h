#pragma once

#include "controlboard.h"
#include "thumbnails.h"

#include <httplib.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace demosite {

// The demo site's HTTP server: its routes, the test controls and the thread pool.
class Site final
{
public:
    explicit Site(std::string extraDir);
    // Throttles every media answer that names no rate of its own (bytes per second, 0 = none).
    void setMediaRate(std::uint64_t bytesPerSecond) { m_mediaRate = bytesPerSecond; }
    Site(const Site &) = delete;
    Site &operator=(const Site &) = delete;

    // Binds 127.0.0.1:port (0 = any free port); returns the port, or -1.
    int bind(int port);
    void run(); // serves until stop()
    void stop();

private:
    void addRoutes();
    void addClipRoutes(); // the pages of today's kind
    void addListRoutes(); // the feed and the page with three videos
    httplib::Server::HandlerResponse beforeRouting(const httplib::Request &req, httplib::Response &res);
    std::string rootOf(const httplib::Request &req) const;
    // The contents of a file below the --extra folder, when that folder and file exist.
    bool readExtra(const std::string &relativePath, std::string &contents) const;
    bool sleepUnlessStopping(int milliseconds) const;

    httplib::Server m_server;
    ControlBoard m_control;
    Thumbnails m_thumbnails;
    std::string m_extraDir;
    std::atomic<bool> m_stopping{false};
    int m_port = 0;
    std::uint64_t m_mediaRate = 0;
};

} // namespace demosite
