// Instrument: the state and the answers of one virtual VXN instrument (and
// its TableWalker table when the profile has one).
//
// Handle() takes one request (message number and request bytes) and gives the
// reply bytes: the status char (0 done, 1 refused, 2 malformed request)
// followed, after status 0, by the reply fields. A request whose bytes do not
// have exactly the shape of the command (too short or too long) is answered
// with status 2; a message number the instrument does not know, and a table
// command on an instrument without a table, with status 1. Neither ever
// allocates more than the fixed stores allow.
//
// The model, in short:
//  - Conditions: ParameterRequest (26) reports what ParameterDownload (27)
//    last stored, plus the filter in place. Dxx temperature numbers (table
//    values 96..103, messages 33/34) start at 65.
//  - Filter wheel: FilterDownload (101) puts a filter in place and answers 1
//    only where the profile's wheel is motorised for that filter; otherwise
//    it answers 0 and only the operator ("filter N") changes the filter.
//  - The sample under the head: the chart patch chosen with "sample" (patch
//    19, the white tile, by default); on a table profile with the head
//    lowered, whatever lies under the measuring aperture (see TableWalker).
//    ExecMeasurement (28) measures it; SpectrumRequest (15) of value type 9
//    returns it with flag 1 (flag 0 before the first measurement).
//  - White calibration: one stored white reference per filter, all set to
//    the white tile when the instrument starts. ExecWhiteMeasurement (29)
//    stores the sample under the head as the reference of the filter in
//    place. WhiteRefRequest (31) returns the references of filters 1, 2, 3.
//    They drift: each reported value is the stored one times
//    (1 - drift x n), n being the measurements (28, 30, measure-at-unit)
//    ("noise X", see SetNoise, makes consecutive measurements differ)
//    taken since that filter was last calibrated, drift set by
//    "white-drift X" (0 by default). With drift 0.01 and five measurements
//    the reference is 5 % darker than the white tile, well above 0.5 dE.
//  - References 0..99: slots 0..8 addressed directly by value type, the rest
//    through SetValNr(68, n + 1) and value type 64. Each holds a spectrum
//    and/or a colour (CDownload), a 16-character name and a time.
//  - Guides: two ROM guides (cannot be renamed, overwritten or deleted) and
//    user guides up to 16 in all; guide number = position in the list.
//    NewUserGuideRequest (38): request shorts {blocks, bytes of last block};
//    reply bytes {1 room / 0 no room, 0}, the guide number to download to
//    (a new empty guide unless the number names a user guide), the free
//    512-byte blocks. UserGuideDownload (39): block 0 restarts the guide's
//    data, blocks must follow in order; reply 0 done, 1 no such or ROM
//    guide, 2 block out of order, 3 memory full, 4 bad byte count.
//  - Memory (IndexValueRequest 16, index 48): 128 KiB in all; value 25 the
//    memory in use (user guides, 160 bytes per stored reference and the
//    file store's bytes, see StoreView), 27 the free memory (so 25 + 27 is
//    the total), 26 the references' part, 120 the
//    selected guide's size.
//  - Messages 82/83 switch key reporting on/off; the operator's key press
//    ("key") is sent unasked as message 81 (payload: unsigned char key code,
//    int press time in ms) only while it is on. OutputActualKey (68)
//    reports the last press once and then (0, 0); OutputLastKey (69) always
//    the last press.
//  - "measure-at-unit" measures the sample and sends message 43 (int n, then
//    n bytes of a MeasValue text); NewMeasureRequest (35) then answers
//    (1, 9) once, otherwise (0, 9).
//  - Measure control: MeasControlRequest(155) answers the profile's 156 or
//    157; other controls answer the last value downloaded with 36.
//  - AltTabActivRequest (32): on a profile with alternative tables
//    (1, {1,1,1,1}, the alternative illuminant 4..7 in use or 0); else all 0.
//    Illuminants 4..7 can be downloaded only on such a profile.
#pragma once

#include "vxnemu/Chart.hpp"
#include "vxnemu/StoreView.hpp"
#include "vxnemu/Payload.hpp"
#include "vxnemu/Profile.hpp"
#include "vxnemu/TableWalker.hpp"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vxnemu {

constexpr uint8_t STATUS_DONE = 0;
constexpr uint8_t STATUS_REFUSED = 1;
constexpr uint8_t STATUS_MALFORMED = 2;

// The message numbers the instrument sends unasked.
constexpr uint16_t MSG_MEASURED_VALUE = 43;
constexpr uint16_t MSG_KEY = 81;

struct Reply {
    enum class Fate { Answer, Drop, Corrupt };
    std::vector<uint8_t> payload; // status char, then the fields
    Fate fate = Fate::Answer;
    int delayMs = 0;
};

struct ControlAnswer {
    uint8_t status = 0;
    std::string text;
};

struct Unsolicited {
    uint16_t message = 0;
    std::vector<uint8_t> payload;
};

class Instrument {
public:
    explicit Instrument(const Profile& rProfile, const Chart& rChart = Chart::Default());
    // Its file store keeps a reference to it.
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    Reply Handle(uint16_t nMessage, const std::vector<uint8_t>& rPayload);
    // One out-of-band command line (what an operator or a test does).
    ControlAnswer Control(const std::string& rLine);
    // Messages the instrument wants to send unasked, oldest first.
    std::vector<Unsolicited> TakeUnsolicited();
    // True once after "disconnect": the link carrying it must close.
    bool TakeDisconnect();

    std::string StateLine() const;
    static std::string Help();

    // Read access for tests and the program.
    const Profile& GetProfile() const { return maProfile; }
    int SwVersion() const { return mnSwVersion; }
    int Filter() const { return mnFilter; }
    int Sample() const { return mnSample; }
    bool KeyReporting() const { return mbKeyReporting; }
    bool Locked() const { return mbLocked; }
    const TableWalker* Table() const { return mpTable.get(); }
    const Chart& GetChart() const { return mrChart; }
    Spectrum36 SampleUnderHead() const;
    // Measure-control downloads received (36), in order.
    const std::vector<std::pair<int, int>>& ControlDownloads() const { return maControlDownloads; }
    void SetSwVersion(int n) { mnSwVersion = n; }
    void SetRealistic(bool b) { mbRealistic = b; }
    // Measurement noise: each value of a measurement is the sample's times
    // (1 + noise x u), u uniform in -1..1 and fixed by the number of the
    // measurement, so that consecutive measurements differ slightly (a mean
    // of several is then visible) and a run repeats exactly. 0: none.
    void SetNoise(double f) { mfNoise = f; }
    // Lays the chart elsewhere on the table's sheet; false (and nothing
    // changed) without a table or when the chart would leave the sheet.
    bool SetChartLayout(const ChartLayout& rLayout);
    // The file store, for what the instrument's own menu does with files.
    StoreView& Files() { return maFiles; }

private:
    // The file store shows the guides and references as files.
    friend class StoreView;
    static constexpr size_t MEMORY_TOTAL = 128 * 1024;
    static constexpr size_t MAX_GUIDES = 16;

    struct Reference {
        bool hasSpectrum = false;
        Spectrum36 spectrum{};
        bool hasColour = false;
        int colourType = 0;
        std::array<float, 3> colour{};
        std::string name;
        std::array<int, 7> time{};
    };
    struct Guide {
        std::string name;
        bool rom = false;
        std::vector<uint8_t> data;
        std::array<int, 7> time{};
        int nextBlock = 0;
    };

    void Reset(const Profile& rProfile);
    uint8_t Dispatch(uint16_t nMessage, PayloadReader& rIn, PayloadWriter& rOut);
    uint8_t HandleValues(uint16_t nMessage, PayloadReader& rIn, PayloadWriter& rOut);
    uint8_t HandleGuides(uint16_t nMessage, PayloadReader& rIn, PayloadWriter& rOut);
    int RealisticDelay(uint16_t nMessage) const;

    void Measure();
    void PressKey(uint8_t nKey, int nPressMs);
    // Reference slot for a value type (0..8 direct, 64 the selected one);
    // null when the value type names no reference.
    Reference* RefSlot(int nValueType, bool bCreate);
    size_t MemoryUsed() const;
    size_t MemoryFree() const;

    Profile maProfile;
    const Chart& mrChart;
    int mnSwVersion = 355;
    int mnMeasureControl = 156;

    // Conditions.
    int mnDStd = 2, mnWBase = 1, mnIllum = 2, mnObserver = 0;
    int mnFilter = 2;
    std::array<int, 8> maDxx{};

    // Measuring.
    int mnSample = Chart::WHITE_PATCH;
    Spectrum36 maLast{};
    bool mbMeasured = false;
    std::array<int, 7> maLastTime{};
    long mnMeasurements = 0;
    long mnWhiteMeasurements = 0;
    bool mbNewAtUnit = false;
    std::array<Spectrum36, 12> maWhite{};  // by filter code 1..11
    std::array<long, 12> maWhiteAge{};     // measurements since calibration
    std::set<int> maCalibrated;            // filters calibrated since start
    double mfDrift = 0.0;
    double mfNoise = 0.0;

    std::map<int, int> maControls;
    std::vector<std::pair<int, int>> maControlDownloads;

    // Memory.
    std::map<int, Reference> maRefs; // slot 0..99
    int mnSelectedRef = 0;           // value number of 68 (slot + 1), 0 none
    std::map<int, int> maValNr;      // other value numbers (ValueType)
    std::vector<Guide> maGuides;
    int mnSelectedGuide = 0;

    // Keys and lock.
    bool mbLocked = false;
    bool mbKeyReporting = false;
    uint8_t mnLastKey = 0;
    int mnLastPress = 0;
    bool mbActualKey = false;

    std::unique_ptr<TableWalker> mpTable;
    StoreView maFiles{*this};

    // Faults and timing.
    std::map<int, int> maRefuse;
    std::set<int> maDrop, maCorrupt, maCut;
    std::map<int, int> maDelay;
    bool mbDisconnect = false;
    bool mbRealistic = false;

    std::vector<Unsolicited> maOutbox;
};

} // namespace vxnemu
