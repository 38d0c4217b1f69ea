// vxn-studio: the desktop program on the library. Options:
//   --config FILE   the configuration (else $VXN_CONFIG, else the default)
//   --store STORE   the value store: a file, sqlite:FILE or a shared
//                   postgresql://… store (else vxn's default: [Store]
//                   Location=, else the user's data folder)
//   --port ENDPOINT connect there at start (emulator:, tcp:HOST:PORT,
//                   serial:/dev/PATH) instead of the link chosen last time
//   --lang LANG     the language of the library's texts
#include "StudioWindow.hpp"

#include "Endpoint.hpp"

#include "qel/AppConfig.hpp"
#include "qel/Text.hpp"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        std::string dir = "/tmp/vxn-runtime-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("vxn-studio");

    QCommandLineParser parser;
    parser.setApplicationDescription("Measure, keep and compare colours with the QelVXN library.");
    parser.addHelpOption();
    QCommandLineOption config("config", "The configuration file.", "FILE");
    QCommandLineOption store("store", "The value store: a file, sqlite:FILE or postgresql://...", "STORE");
    QCommandLineOption port("port", "Connect to this endpoint at start.", "ENDPOINT");
    QCommandLineOption lang("lang", "The language of the texts.", "LANG");
    parser.addOptions({config, store, port, lang});
    parser.process(app);

    studio::StudioOptions options;
    options.store = parser.value(store).toStdString();
    options.port = parser.value(port).toStdString();
    std::string err;
    if (!options.port.empty() && !vxn::CheckEndpoint(options.port, err)) {
        std::fprintf(stderr, "vxn-studio: %s\n", err.c_str());
        return 2;
    }
    if (parser.isSet(config))
        AppConfig::SetPathName(String(parser.value(config).toStdString()));
    if (parser.isSet(lang)) {
        String l(parser.value(lang).toStdString());
        if (!Language::IsAvailable(l)) {
            std::fprintf(stderr, "vxn-studio: no texts for language '%s' (%s)\n", l.GetStr(),
                         Language::AvailableList().GetStr());
            return 2;
        }
        Language::Set(l);
    }

    studio::StudioWindow window(options);
    window.show();
    return app.exec();
}
