// Writes the seed inputs that the library itself produces into the corpus
// folders (fuzz/corpus/<target>/): frames as the transport encodes them,
// reply layouts as the virtual instrument answers, measured values as
// sections and as index blocks. Run once after a format changes:
//
//   ninja -C build/fuzz make_seeds && build/fuzz/make_seeds fuzz/corpus
//
// The configuration, SimuSpec.dat and CGATS seeds are plain files, kept as
// they are.
#include "qel/ASCIIFile.hpp"
#include "qel/AppDir.hpp"
#include "qel/ColorVector.hpp"
#include "qel/ConditionClasses.hpp"
#include "qel/MeasuringCondition.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/PhysicalConditions.hpp"
#include "qel/Spectrum.hpp"
#include "qel/WireFrame.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path gDir;

void Put(const std::string& rTarget, const std::string& rName, const std::vector<uint8_t>& rBytes)
{
    fs::create_directories(gDir / rTarget);
    std::ofstream out(gDir / rTarget / rName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(rBytes.data()), static_cast<std::streamsize>(rBytes.size()));
}

std::vector<uint8_t> Bytes(const MyMemoryBlock& b)
{
    return std::vector<uint8_t>(b.GetData(), b.GetData() + b.GetSize());
}

std::vector<uint8_t> Bytes(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

// A length-prefixed field as fuzz::Input::Bytes takes it.
void Field(std::vector<uint8_t>& rOut, const std::vector<uint8_t>& rBytes)
{
    rOut.push_back(static_cast<uint8_t>(rBytes.size()));
    rOut.push_back(static_cast<uint8_t>(rBytes.size() >> 8));
    rOut.insert(rOut.end(), rBytes.begin(), rBytes.end());
}

std::vector<uint8_t> Frame(wire::Kind eKind, uint16_t nMessage, uint16_t nSeq, const std::vector<uint8_t>& rPayload)
{
    wire::Frame f;
    f.kind = eKind;
    f.message = nMessage;
    f.sequence = nSeq;
    f.payload = rPayload;
    return wire::Encode(f);
}

Spectrum Chart()
{
    Spectrum s(PhysicalConditions(ActualFilterClass(7), WBaseClass(WBASE_PAPER)));
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s[i] = 0.05f + 0.02f * static_cast<float>(i);
    return s;
}

GPtMesswert SpectrumValue()
{
    GPtMesswert v;
    v.SetSpectrum(Chart(), 0);
    v.SetBezeichnung(String("blue patch"));
    v.SetDateTime(20240102, 30405);
    return v;
}

GPtMesswert LabValue()
{
    GPtMesswert v;
    MeasuringCondition c(PhysicalConditions(ActualFilterClass(2), WBaseClass(WBASE_ABSOLUTE)),
                         IllumClass(ILLUM_D50), ObserverClass(OBSERVER_10));
    v.SetLab(LABVector(52.5, -10.25, 33.0, c));
    v.SetBezeichnung(String("proof\tline 2"));
    v.SetDateTime(20231231, 235959);
    return v;
}

std::string Section(GPtMesswert v, int nVersion)
{
    ASCIIFile f;
    f.SetVersion(nVersion);
    v.write(f);
    return f.GetText();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds CORPUS_FOLDER\n");
        return 2;
    }
    gDir = argv[1];
    AppDir::SetDataDir(VXN_SOURCE_DATA_DIR);

    // ---- wire frames
    MyMemoryBlock req;
    req << 0 << 0;
    MyMemoryBlock spectrumReply;
    spectrumReply << static_cast<char>(0);
    Spectrum s = Chart();
    for (int i = 0; i < Spectrum::COUNT; ++i)
        spectrumReply << s[i];
    spectrumReply << static_cast<unsigned char>(1);
    std::string measValue = Section(SpectrumValue(), 2);
    MyMemoryBlock msg43;
    msg43 << static_cast<int>(measValue.size());
    msg43.Put(measValue.data(), static_cast<long>(measValue.size()));

    Put("wireframe", "request", Frame(wire::Kind::Request, 15, 1, Bytes(req)));
    Put("wireframe", "reply-spectrum", Frame(wire::Kind::Reply, 15, 1, Bytes(spectrumReply)));
    Put("wireframe", "unsolicited-measvalue", Frame(wire::Kind::Unsolicited, 43, 0, Bytes(msg43)));
    std::vector<uint8_t> noisy = {0x00, 0x02, 0x51, 0xFF};
    auto control = Frame(wire::Kind::Control, 0, 7, Bytes(std::string("state")));
    auto key = Frame(wire::Kind::Unsolicited, 81, 0, {});
    noisy.insert(noisy.end(), control.begin(), control.end());
    noisy.insert(noisy.end(), key.begin(), key.end());
    Put("wireframe", "noise-and-two-frames", noisy);

    // ---- typed reads: a script (op codes of fuzz_memoryblock) and the block
    {
        std::vector<uint8_t> script = {1};  // status char
        for (int i = 0; i < Spectrum::COUNT; ++i)
            script.push_back(8);  // float
        script.push_back(1);      // flag
        std::vector<uint8_t> in;
        Field(in, script);
        auto block = Bytes(spectrumReply);
        in.insert(in.end(), block.begin(), block.end());
        Put("memoryblock", "spectrum-reply", in);

        MyMemoryBlock mixed;
        mixed << static_cast<char>(0) << static_cast<short>(-2) << 70000 << String("VXN 350") << 1.25f;
        std::vector<uint8_t> in2;
        Field(in2, {0, 2, 4, 9, 8, 11});
        auto b2 = Bytes(mixed);
        in2.insert(in2.end(), b2.begin(), b2.end());
        Put("memoryblock", "mixed-fields", in2);
    }

    // ---- replies: operation numbers of fuzz_replies, then one payload each
    {
        std::vector<uint8_t> in;
        Field(in, {6, 11, 15, 3});
        Field(in, Bytes(spectrumReply));
        MyMemoryBlock params;
        params << static_cast<char>(0) << 2L << 0L << 3L << 1L << 7L;
        Field(in, Bytes(params));
        MyMemoryBlock drive;
        drive << static_cast<char>(0) << static_cast<unsigned char>(1);
        drive.Put("A:", 3);
        Field(in, Bytes(drive));
        Field(in, Bytes(drive));
        MyMemoryBlock type;
        type << static_cast<char>(0) << 350;
        Field(in, Bytes(type));
        Put("replies", "spectrum-parameters-drive", in);
    }

    // ---- measured values as text and as message 43
    Put("measvalue", "spectrum-v2", Bytes(measValue));
    Put("measvalue", "lab-v2", Bytes(Section(LabValue(), 2)));
    Put("measvalue", "lab-v1", Bytes(Section(LabValue(), 1)));
    Put("measvalue", "two-values", Bytes(Section(LabValue(), 2) + Section(SpectrumValue(), 2).substr(10)));
    Put("measvalue", "message-43", Bytes(msg43));

    // ---- index blocks of the value store
    {
        GPtMesswert v = SpectrumValue();
        MyMemoryBlock b;
        v.GetIndexBlock(b);
        Put("indexblock", "spectrum", Bytes(b));
        GPtMesswert l = LabValue();
        MyMemoryBlock lb;
        l.GetIndexBlock(lb);
        Put("indexblock", "lab", Bytes(lb));
    }
    return 0;
}
