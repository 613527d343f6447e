// clipvault-demosite: the local demo video site that the program and its tests talk to.
//
//   clipvault-demosite [--port N] [--extra DIR] [--media-rate BYTES_PER_SECOND]
//
// Listens on 127.0.0.1 (port N, or any free port), prints "Listening on http://127.0.0.1:PORT"
// and serves until SIGINT or SIGTERM.

#include "site.h"

#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <pthread.h>
#include <thread>

namespace {

void usage()
{
    std::cerr << "usage: clipvault-demosite [--port N] [--extra DIR] [--media-rate BYTES_PER_SECOND]\n";
}

} // namespace

int main(int argc, char **argv)
{
    int port = 0;
    std::string extraDir;
    std::uint64_t mediaRate = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (arg == "--extra" && i + 1 < argc) {
            extraDir = argv[++i];
        } else if (arg == "--media-rate" && i + 1 < argc) {
            mediaRate = std::strtoull(argv[++i], nullptr, 10);
        } else {
            usage();
            return 2;
        }
    }

    // SIGINT and SIGTERM are taken by one waiting thread; every other thread,
    // Qt's included, blocks them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // Thumbnails are painted on plain images and written by Qt's JPEG image plugin, which the
    // application object lets Qt find; no window system is needed.
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);

    demosite::Site site(extraDir);
    site.setMediaRate(mediaRate);
    const int bound = site.bind(port);
    if (bound <= 0) {
        std::cerr << "clipvault-demosite: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }

    std::thread signalWaiter([&site, stopSignals] {
        int received = 0;
        sigwait(&stopSignals, &received);
        site.stop();
        // Give running answers a moment to end, then leave whatever is still connected.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        std::_Exit(0);
    });
    signalWaiter.detach();

    std::printf("Listening on http://127.0.0.1:%d\n", bound);
    std::fflush(stdout);
    site.run();
    // Connections still held open (stalled answers, idle keep-alive) must not delay the exit.
    std::fflush(stdout);
    std::_Exit(0);
}
