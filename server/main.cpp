// lumeno-server: the local API and push service for development, tests and the demo.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "server/app/options.h"
#include "server/app/server_app.h"

int main(int argc, char** argv) {
    using namespace lumeno::server;
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::cerr << "lumeno-server: " << error << "\n\n" << UsageText();
        return 2;
    }
    if (options.help) {
        std::cout << UsageText();
        return 0;
    }

    // Termination signals are taken by this thread only, after the workers start.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    ServerApp app(options);
    try {
        app.Start();
    } catch (const std::exception& e) {
        std::cerr << "lumeno-server: " << e.what() << "\n";
        return 1;
    }
    std::string lines = app.ListeningLines();
    std::cout << lines << std::flush;
    if (!options.ports_file.empty()) {
        std::ofstream file(options.ports_file + ".tmp");
        file << lines;
        file.close();
        std::rename((options.ports_file + ".tmp").c_str(), options.ports_file.c_str());
    }
    if (options.seed == "demo")
        std::cerr << "demo account: " << kDemoAccount << " / " << kDemoPassword << "\n";

    int signal_number = 0;
    sigwait(&signals, &signal_number);
    app.Stop();
    return 0;
}
