// The reply layouts of the instrument's and the table's commands: each
// request the library sends is answered by a reply frame whose payload (the
// status char, then the fields) comes from the input, through the real
// PostOffice and wire framing. The input picks the commands, one byte each,
// then gives the reply payloads, each a 2-byte length and that many bytes.
//
// Must hold, besides no crash and no sanitizer report: an operation that
// fails leaves its out-parameters untouched, and text fields read into
// fixed arrays stay inside them.
#include "FuzzSupport.hpp"

#include "qel/Channel.hpp"
#include "qel/PostOffice.hpp"
#include "qel/WireFrame.hpp"
#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"
#include "qelvxn/protocol/VXNProtokoll.hpp"
#include "sv/EventLoop.hpp"

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace {

// The far side: answers every request at once with the next reply payload
// of the input (an empty one when the input is used up).
class ReplyChannel : public Channel {
public:
    explicit ReplyChannel(fuzz::Input& rIn) : mrIn(rIn) {}
    bool Write(const uint8_t* p, size_t n) override
    {
        maRequests.Feed(p, n);
        wire::Frame req;
        while (maRequests.Next(req)) {
            wire::Frame rep;
            rep.kind = wire::Kind::Reply;
            rep.message = req.message;
            rep.sequence = req.sequence;
            std::string_view payload = mrIn.Bytes(wire::MAX_PAYLOAD);
            rep.payload.assign(payload.begin(), payload.end());
            std::vector<uint8_t> bytes = wire::Encode(rep);
            maOut.insert(maOut.end(), bytes.begin(), bytes.end());
        }
        return true;
    }
    long Read(uint8_t* p, size_t n, int) override
    {
        size_t k = std::min(n, maOut.size());
        std::copy(maOut.begin(), maOut.begin() + static_cast<std::ptrdiff_t>(k), p);
        maOut.erase(maOut.begin(), maOut.begin() + static_cast<std::ptrdiff_t>(k));
        return static_cast<long>(k);
    }
    int Fd() const override { return -1; }
    std::string Describe() const override { return "fuzz"; }

private:
    fuzz::Input& mrIn;
    wire::FrameParser maRequests;
    std::deque<uint8_t> maOut;
};

// A terminated text array after a successful read of at most nMax chars.
template <size_t N>
void CheckText(const char (&r)[N])
{
    FUZZ_REQUIRE(std::memchr(r, '\0', N) != nullptr);
}

using Op = std::function<void(VXNProtokoll&, TABLEWALKERProtokoll&)>;

std::vector<Op> Operations()
{
    std::vector<Op> ops;
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) { v.GetSWVersion(); });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) { v.GetSerieNr(); });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) { v.IsaVXN(); });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) { v.GetDeviceType(); });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) { v.GetDeviceName(); });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) { v.FilterDownload(static_cast<ValueFilterType>(2)); });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        float values[36];
        std::fill(values, values + 36, -1.0f);
        unsigned char flag = 77;
        if (!v.SpectrumRequest(static_cast<ValueType>(0), SPECT_REMISSION, values, flag))
            FUZZ_REQUIRE(flag == 77 && values[0] == -1.0f && values[35] == -1.0f);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        float value = -1;
        unsigned char flag = 77;
        if (!v.IndexValueRequest(static_cast<ValueType>(0), INDEX_SIZE, value, flag))
            FUZZ_REQUIRE(value == -1 && flag == 77);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        short t[7] = {-1, -1, -1, -1, -1, -1, -1};
        if (!v.TimeRequest(static_cast<ValueType>(0), t))
            FUZZ_REQUIRE(t[0] == -1 && t[6] == -1);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        char name[17 + 1] = {};
        v.StdNameRequest(LIBVALUE_GUIDE, name);
        char name18[19 + 1] = {};
        v.Name18Request(LIBVALUE_GUIDE, name18);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        short nr = -1;
        if (!v.GetValNr(LIBVALUE_GUIDE_COUNT, nr))
            FUZZ_REQUIRE(nr == -1);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        DStdType d = DSTD_NOT_SET;
        StoredWBaseType w = WBASE_NOT_SET;
        IllumType i = static_cast<IllumType>(-5);
        ObserverType o = OBSERVER_NOT_SET;
        ValueFilterType f = static_cast<ValueFilterType>(-5);
        if (!v.ParameterRequest(d, w, i, o, f))
            FUZZ_REQUIRE(d == DSTD_NOT_SET && w == WBASE_NOT_SET && i == -5 && o == OBSERVER_NOT_SET && f == -5);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        float white[108];
        v.WhiteRefRequest(white);
        unsigned char first = 0, flags[4] = {}, third = 0;
        v.AltTabActivRequest(first, flags, third);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        NewMeasurementType n{};
        ValueType t{};
        v.NewMeasureRequest(n, t);
        ControlType c = CONTROL_MEASURE;
        v.MeasControlRequest(CONTROL_MEASURE, c);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        short header[2] = {1, 2};
        unsigned char buf[2] = {};
        short s = 0;
        unsigned short u = 0;
        v.NewUserGuideRequest(1, header, buf, s, u);
        unsigned char block[512] = {};
        v.UserGuideDownload(1, header, block, u);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        char drive[129] = {};
        v.FileActDriveRequest(drive);
        CheckText(drive);
        char dir[129] = {};
        v.FileActDirRequest(dir);
        CheckText(dir);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        const char name[13] = "TEST.TXT";
        unsigned long size = 99;
        unsigned char s4[4] = {}, s3[3] = {}, last = 0;
        v.FileDOSStatusRequest(name, size, s4, s3, last);
        unsigned short count = 0;
        v.FileEntryCount(count);
        char entry[13] = {};
        FileTypeType type{};
        v.FileDOSEntryRequest(count, entry, type);
    });
    ops.push_back([](VXNProtokoll& v, TABLEWALKERProtokoll&) {
        const char name[13] = "TEST.TXT";
        unsigned char data[512] = {};
        unsigned char last = 0;
        v.FileReadFromDOSFile(name, 0, data, last);
    });
    ops.push_back([](VXNProtokoll&, TABLEWALKERProtokoll& t) {
        unsigned short x = 7, y = 7;
        ZKoordTYPE z{};
        if (!t.OutputActualPosition(REFERENCE_TABLE, x, y, z))
            FUZZ_REQUIRE(x == 7 && y == 7);
    });
    ops.push_back([](VXNProtokoll&, TABLEWALKERProtokoll& t) {
        unsigned char key = 0;
        PressTimeTYPE time{};
        t.OutputActualKey(key, time);
        t.OutputLastKey(key, time);
        unsigned char status = 0;
        t.OutputStatus(status);
        t.OutputSpecialStatus(status);
    });
    ops.push_back([](VXNProtokoll&, TABLEWALKERProtokoll& t) {
        float values[36];
        t.GetSpectrumAtPos(10, 20, values);
    });
    ops.push_back([](VXNProtokoll&, TABLEWALKERProtokoll& t) {
        ScanErrorTYPE e{};
        t.ActualErrorRequest(e);
        char type[19] = {};
        t.OutputType(type);
        SerialNumberType serial;
        t.OutputSerialNumber(serial);
        char article[10] = {};
        t.OutputArticleNumber(article);
        DateTYPE date;
        t.OutputProductionDate(date);
        char version[13] = {};
        t.OutputSoftwareVersion(version);
    });
    ops.push_back([](VXNProtokoll&, TABLEWALKERProtokoll& t) {
        unsigned short x = 0, y = 0, value = 0;
        ZKoordTYPE z{};
        t.OutputDigitizedValues(REFERENCE_SHEET, x, y, value, z);
    });
    return ops;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Setup();
    // Every reply is already waiting when the library reads; a short
    // time-out only matters when a reply cannot be decoded.
    PostOffice::Instance()->SetTimeout(20);
    PostOffice::Instance()->SetProbeTimeout(20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<Op> ops = Operations();
    fuzz::Input in(data, size);
    std::string_view script = in.Bytes(16);
    PostOffice::Instance()->Attach(std::make_unique<ReplyChannel>(in));
    VXNProtokoll vxn;
    TABLEWALKERProtokoll table;
    for (unsigned char op : script)
        ops[op % ops.size()](vxn, table);
    PostOffice::Instance()->Close();
    EventLoop::RunPosted();
    return 0;
}
