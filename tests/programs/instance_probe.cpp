// Claims the single instance and says how that went, for tests that start several copies.
//
//   instance_probe [SECONDS]   prints "first", "other-shown" or "failed" (then the reason on
//                              standard error, exit code 1); as the first copy prints "show"
//                              for each show request and stays up for SECONDS (default 60)
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "shell/single_instance.h"

int main(int argc, char** argv) {
    using orvalis::SingleInstance;
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;

    SingleInstance instance;
    switch (instance.TryClaim()) {
        case SingleInstance::Claim::OtherShown:
            std::printf("other-shown\n");
            return 0;
        case SingleInstance::Claim::Failed:
            std::printf("failed\n");
            std::fprintf(stderr, "%s\n", qUtf8Printable(instance.Problem()));
            return 1;
        case SingleInstance::Claim::First:
            break;
    }
    std::printf("first\n");
    std::fflush(stdout);
    QObject::connect(&instance, &SingleInstance::showRequested, [] {
        std::printf("show\n");
        std::fflush(stdout);
    });
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
