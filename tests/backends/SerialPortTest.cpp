// CSerialPort over pseudo-terminals: the port named COMn in the [Ports]
// group is a pty slave; the settings are checked with tcgetattr on a
// descriptor of our own for the same slave.
#include "qel/AppConfig.hpp"
#include "qelvxn/backends/CSerialPort.hpp"
#include "sv/ScriptedResponder.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

class Pty {
public:
    Pty()
    {
        mnMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (mnMaster >= 0 && grantpt(mnMaster) == 0 && unlockpt(mnMaster) == 0 && ptsname(mnMaster))
            maSlave = ptsname(mnMaster);
        mnProbe = maSlave.empty() ? -1 : ::open(maSlave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~Pty()
    {
        if (mnProbe >= 0)
            ::close(mnProbe);
        if (mnMaster >= 0)
            ::close(mnMaster);
    }
    const std::string& Slave() const { return maSlave; }
    termios Attr() const
    {
        termios t{};
        tcgetattr(mnProbe, &t);
        return t;
    }
    // Someone else changed the line meanwhile (the driver module, say).
    void Scramble() const
    {
        termios t = Attr();
        cfsetospeed(&t, B1200);
        t.c_cflag = (t.c_cflag & ~(CSIZE | PARENB | PARODD | CSTOPB)) | CS8;
        t.c_iflag &= ~(IXON | IXOFF);
        tcsetattr(mnProbe, TCSANOW, &t);
    }

private:
    int mnMaster = -1;
    int mnProbe = -1;
    std::string maSlave;
};

// Linux keeps a pseudo-terminal at 8 data bits without parity whatever is
// set, so those two are seen only on a real port; speed, stop bits and flow
// control it keeps.
struct Line {
    speed_t speed;
    bool twoStop, xon;
};

void ExpectLine(const Line& want, const termios& t)
{
    EXPECT_EQ(cfgetospeed(&t), want.speed);
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, want.twoStop);
    EXPECT_EQ((t.c_iflag & IXON) && (t.c_iflag & IXOFF), want.xon);
}

class SerialPortTest : public ::testing::Test {
protected:
    void MapPort(int n, const std::string& path)
    {
        AppConfig::Instance()->WriteKey(String("Ports"), String("COM" + std::to_string(n)), String(path));
    }
    void TearDown() override
    {
        for (int n = 1; n <= 4; ++n)
            MapPort(n, "/nonexistent/ttyS" + std::to_string(n - 1));
    }
};

TEST_F(SerialPortTest, SetupAppliesTheLineSettingsAndStoresTheArguments)
{
    struct Case {
        long baud;
        int dataBits, parity, stopBits;
        bool xon;
        Line want;
    } cases[] = {
        {9600, 8, 2, 1, false, {B9600, false, false}},
        {9600, 7, 5, 2, true, {B9600, true, true}},
        {19200, 8, 1, 0, false, {B19200, false, false}},
        {115200, 6, 0, 2, true, {B115200, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.baud) + " " + std::to_string(c.dataBits) + " parity " + std::to_string(c.parity));
        Pty pty;
        ASSERT_FALSE(pty.Slave().empty());
        MapPort(2, pty.Slave());
        CSerialPort port(2048);
        ASSERT_EQ(port.Open(1, false), 1);
        EXPECT_TRUE(port.IsOpen());
        EXPECT_EQ(port.GetIndex(), 1);
        ASSERT_EQ(port.Setup(c.baud, c.dataBits, c.parity, c.stopBits, c.xon), 1);
        ExpectLine(c.want, pty.Attr());
        EXPECT_EQ(port.GetBaudRate(), c.baud);
        EXPECT_EQ(port.GetParity(), c.parity);
        EXPECT_EQ(port.GetStopBits(), c.stopBits);
        EXPECT_EQ(port.GetDataBits(), c.dataBits);
        EXPECT_EQ(port.GetXonXoff(), c.xon);
    }
}

TEST_F(SerialPortTest, CloseKeepsIndexAndSettingsAndReopenRestoresThem)
{
    Pty pty;
    MapPort(1, pty.Slave());
    CSerialPort port(2048);
    ASSERT_EQ(port.Open(0, false), 1);
    ASSERT_EQ(port.Setup(19200, 7, 2, 2, true), 1);
    EXPECT_EQ(port.Close(), 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetIndex(), 0);
    EXPECT_EQ(port.Close(), 1); // closing a closed port does nothing
    pty.Scramble();
    ASSERT_EQ(port.Reopen(), 1);
    EXPECT_TRUE(port.IsOpen());
    ExpectLine({B19200, true, true}, pty.Attr());
    EXPECT_EQ(port.GetBaudRate(), 19200);
}

TEST_F(SerialPortTest, OpenOnAnOpenPortOpensAnew)
{
    Pty first, second;
    MapPort(1, first.Slave());
    MapPort(4, second.Slave());
    CSerialPort port(64);
    ASSERT_EQ(port.Open(0, false), 1);
    ASSERT_EQ(port.Open(3, false), 1);
    EXPECT_EQ(port.GetIndex(), 3);
    ASSERT_EQ(port.Setup(4800, 8, 0, 1, false), 1);
    ExpectLine({B4800, false, false}, second.Attr());
}

TEST_F(SerialPortTest, FailuresLeaveThePortAndItsSettingsAlone)
{
    ScriptedResponder boxes;
    ScopedResponder use(boxes);
    CSerialPort port(2048);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetBaudRate(), 0);
    // Before any open: no index.
    EXPECT_EQ(port.Setup(9600, 8, 0, 1, false), 0);
    EXPECT_EQ(port.GetBaudRate(), 0);
    // A port whose device is missing: with report, one box naming the port.
    MapPort(2, "/nonexistent/ttyX");
    EXPECT_EQ(port.Open(1, false), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(port.Open(1, true), 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].aText.str().rfind("COM2: ", 0), 0u) << boxes.Boxes()[0].aText.str();
    EXPECT_EQ(port.GetIndex(), -1);
    // Reopen after a failed open fails before any setup.
    EXPECT_EQ(port.Reopen(), 0);
    // Indices beyond COM4 are no port; a file that is no terminal is no port.
    EXPECT_EQ(port.Open(4, false), 0);
    EXPECT_EQ(port.Open(-1, false), 0);
    MapPort(3, "/dev/null");
    EXPECT_EQ(port.Open(2, false), 0);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, UnsupportedBaudRateKeepsTheStoredSettings)
{
    Pty pty;
    MapPort(1, pty.Slave());
    CSerialPort port(2048);
    ASSERT_EQ(port.Open(0, false), 1);
    ASSERT_EQ(port.Setup(9600, 8, 0, 1, false), 1);
    EXPECT_EQ(port.Setup(12345, 8, 0, 1, false), 0);
    EXPECT_EQ(port.Setup(9600, 9, 0, 1, false), 0);
    EXPECT_EQ(port.GetBaudRate(), 9600);
    ExpectLine({B9600, false, false}, pty.Attr());
}

} // namespace
