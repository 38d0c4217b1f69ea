// vxn guides: the instrument's user guides: list them with names, dates and
// sizes, select, rename or delete one, and download a guide file into a new
// guide (or over a user guide with --as). The download shows its progress on
// standard error; Ctrl-C stops it after the block under way, exactly as the
// progress dialog's abort button does, and the instrument is unlocked.
#include "Commands.hpp"
#include "InstrumentRun.hpp"
#include "Interrupt.hpp"

#include "qelvxn/library/ScanLib.hpp"

#include <CLI/CLI.hpp>
#include <QTimer>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace vxn {

namespace {

struct GuideOptions {
    bool json = false;
    int number = -1;
    std::string name, file;
};

std::string DateText(const short* t)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t[6] < 100 ? 1900 + t[6] + (t[6] < 70 ? 100 : 0) : t[6],
                  t[5], t[4], t[3], t[2], t[1]);
    return buf;
}

int Failed(const std::string& rWhat)
{
    std::string why = InstrumentRun::LastFailure();
    Error(rWhat + (why.empty() ? "" : ": " + why));
    return EXIT_FAILED;
}

int RunList(VXNLib& lib, bool json)
{
    short count = 0, rom = 0, selected = -1;
    if (!lib.GetAnzahlGuides(count))
        return Failed("could not read the number of guides");
    if (!lib.GetAnzahlROMGuides(rom))
        return Failed("could not read the number of guides in read-only memory");
    lib.GetSelectedGuide(selected);
    nlohmann::json list = nlohmann::json::array();
    for (short i = 0; i < count && !Interrupted(); ++i) {
        String name;
        short date[7] = {};
        float size = 0;
        if (!lib.GetGuideName(name, static_cast<unsigned long>(i)) || !lib.GetGuideDate(i, date) ||
            !lib.GetGuideSize(i, size))
            return Failed("could not read guide " + std::to_string(i));
        std::string n = name.str();
        while (!n.empty() && n.back() == ' ')
            n.pop_back();
        list.push_back({{"number", i}, {"name", n}, {"date", DateText(date)}, {"size", static_cast<long>(size)},
                        {"rom", i < rom}, {"selected", i == selected}});
        if (!json)
            std::cout << (i == selected ? "* " : "  ") << i << "  " << n << std::string(n.size() < 18 ? 18 - n.size() : 0, ' ')
                      << "  " << DateText(date) << "  " << static_cast<long>(size) << " bytes" << (i < rom ? "  (ROM)" : "")
                      << "\n";
    }
    if (Interrupted())
        return EXIT_INTERRUPTED;
    if (json)
        std::cout << nlohmann::json({{"count", count}, {"rom_guides", rom}, {"selected", selected}, {"guides", list}}).dump(2)
                  << std::endl;
    return EXIT_DONE;
}

int RunDownload(InstrumentRun& run, const GuideOptions& o)
{
    VXNLib& lib = run.Lib();
    int fd = ::open(o.file.c_str(), O_RDONLY);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Error("cannot read " + o.file);
        if (fd >= 0)
            ::close(fd);
        return EXIT_FAILED;
    }
    // The instrument makes room for the whole file first and names the guide
    // the blocks go to.
    short header[2] = {static_cast<short>(st.st_size / 512), static_cast<short>(st.st_size % 512)};
    unsigned char room[2] = {};
    short number = -1;
    unsigned short freeBlocks = 0;
    if (!lib.NewGuide(static_cast<short>(o.number), header, room, number, freeBlocks)) {
        ::close(fd);
        return Failed("the instrument could not prepare a guide");
    }
    if (!room[0]) {
        ::close(fd);
        Error("no room on the instrument for " + std::to_string(st.st_size) + " bytes (" + std::to_string(freeBlocks) +
              " blocks of 512 free)");
        return EXIT_FAILED;
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&run] { run.Responder().Poll(); });
    poll.start(20);
    unsigned char ok = lib.GuideDownload(nullptr, number, fd);
    poll.stop();
    ::close(fd);
    if (!ok) {
        if (Interrupted()) {
            Error("download of guide " + std::to_string(number) + " stopped; the guide is incomplete");
            return EXIT_INTERRUPTED;
        }
        return Failed("download of guide " + std::to_string(number) + " failed");
    }
    if (!lib.SetGuideName(String(o.name), static_cast<unsigned long>(number)))
        return Failed("guide " + std::to_string(number) + " was downloaded but could not be named");
    std::cout << "guide " << number << " \"" << o.name << "\": " << st.st_size << " bytes" << std::endl;
    return EXIT_DONE;
}

int RunGuides(const Globals& g, const std::string& rWhat, const GuideOptions& o)
{
    // Names are checked before anything is sent.
    if ((rWhat == "rename" || rWhat == "download")) {
        std::string bad = CheckName16(o.name);
        if (!bad.empty()) {
            Error(bad);
            return EXIT_USAGE;
        }
    }
    InstrumentRun run(g);
    if (!run.Connect())
        return run.ConnectFailure();
    VXNLib& lib = run.Lib();
    if (rWhat == "list")
        return RunList(lib, o.json);
    if (rWhat == "select")
        return lib.SetSelectedGuide(static_cast<short>(o.number)) ? EXIT_DONE
                                                                   : Failed("could not select guide " + std::to_string(o.number));
    if (rWhat == "rename")
        return lib.SetGuideName(String(o.name), static_cast<unsigned long>(o.number))
                   ? EXIT_DONE
                   : Failed("could not rename guide " + std::to_string(o.number));
    if (rWhat == "delete")
        return lib.DeleteGuide(static_cast<short>(o.number)) ? EXIT_DONE
                                                              : Failed("could not delete guide " + std::to_string(o.number));
    return RunDownload(run, o);
}

} // namespace

Command AddGuidesCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("guides", "the instrument's user guides: list, select, rename, delete, download");
    c.sub->require_subcommand(1);
    auto o = std::make_shared<GuideOptions>();
    auto what = std::make_shared<std::string>();
    auto add = [&](const char* name, const char* help) {
        CLI::App* s = c.sub->add_subcommand(name, help);
        s->callback([what, name] { *what = name; });
        return s;
    };
    add("list", "number, name, date and size of every guide")->add_flag("--json", o->json, "machine-readable output");
    add("select", "make guide N the selected one")->add_option("N", o->number, "guide number")->required()->check(CLI::Range(0, 32767));
    CLI::App* rename = add("rename", "give guide N a new name (at most 16 characters)");
    rename->add_option("N", o->number, "guide number")->required()->check(CLI::Range(0, 32767));
    rename->add_option("NAME", o->name, "the new name")->required();
    add("delete", "delete guide N")->add_option("N", o->number, "guide number")->required()->check(CLI::Range(0, 32767));
    CLI::App* dl = add("download", "send a guide file to a new guide (or over user guide N with --as)");
    dl->add_option("FILE", o->file, "the guide file")->required();
    dl->add_option("NAME", o->name, "the guide's name (at most 16 characters)")->required();
    dl->add_option("--as", o->number, "overwrite user guide N")->check(CLI::Range(0, 32767));
    c.run = [&g, what, o] { return RunGuides(g, *what, *o); };
    return c;
}

} // namespace vxn
