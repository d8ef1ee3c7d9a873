#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/CommandNames.h"
#include "device/Packet.h"
#include "device/PacketLog.h"
#include "tests/support/FakeTransport.h"
#include "tests/support/LogCapture.h"

#include <QtTest>

class PacketsTest : public QObject {
    Q_OBJECT

private slots:
    void logText_data();
    void logText();
    void moduleTextIsEscaped_data();
    void moduleTextIsEscaped();
    void commandNames_data();
    void commandNames();
    void printPacketPrefixesTime();
    void splitLayout_data();
    void splitLayout();
    void nothingWrittenWhileClosed();
};

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

QByteArray u32(uint32_t v) {
    QByteArray b(4, '\0');
    le::put32(reinterpret_cast<uint8_t*>(b.data()), 0, v);
    return b;
}

QByteArray f64(double v) {
    QByteArray b(8, '\0');
    le::putf64(reinterpret_cast<uint8_t*>(b.data()), 0, v);
    return b;
}

} // namespace

void PacketsTest::logText_data() {
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QString>("text");
    using namespace pkt;
    QTest::newRow("version request")
        << makePacket(CMD_SENDVERSION, 0) << "[0x1003]CMD_SENDVERSION : Len[0]";
    QTest::newRow("version in hex") << makePacket(DAT_VERSION, 2, bytes({51, 12}))
                                    << "[0x1004]DAT_VERSION : Len[2], Vers[33.C]";
    QTest::newRow("register read") << makePacket(CMD_IIC_RD, 3, bytes({0x0A, 0x35, 0x7F}))
                                   << "[0x1005]CMD_IIC_RD : RegAddr[0x350A], Data[0x7F]";
    QTest::newRow("register write") << makePacket(CMD_IIC_WR, 3, bytes({0x08, 0x30, 0x42}))
                                    << "[0x1006]CMD_IIC_WR : RegAddr[0x3008], Data[0x42]";
    QTest::newRow("ack with data")
        << makePacket(RES_ACK, 4, u32(4660)) << "[0x100C]RES_ACK : Len[4], Data[4660 = 0x1234]";
    QTest::newRow("ack plain") << makePacket(RES_ACK, 0) << "[0x100C]RES_ACK : Len[0]";
    QTest::newRow("ack odd length") << makePacket(RES_ACK, 2) << "";
    QTest::newRow("nak of unnamed code")
        << makePacket(RES_NAK, 4, u32(0x1123)) << "[0x100D]RES_NAK : Len[4],Data[Invalid Command]";
    QTest::newRow("nak of named code")
        << makePacket(RES_NAK, 4, u32(0x1003)) << "[0x100D]RES_NAK : Len[4],Data[CMD_SENDVERSION]";
    QTest::newRow("white start") << makePacket(CMD_AC_WHITE_START, 4, u32(7))
                                 << "[0x1011]CMD_AC_WHITE_START : Len[4], Data[7]";
    QTest::newRow("image request") << makePacket(CMD_AC_SENDIMG, 2, bytes({101, 79}))
                                   << "[0x1013]CMD_AC_SENDIMG : Len[2], Data[101, 79]";
    QTest::newRow("manual target") << makePacket(CMD_MC_PATTERN_START, 4, u32(0x1F))
                                   << "[0x1107]CMD_MC_PATTERN_START : Data[1f]";
    QTest::newRow("stop tracking")
        << makePacket(CMD_STOP_TRACKING, 0) << "[0x1110]CMD_STOP_TRACKING : Data[0]";
    QTest::newRow("finger mode") << makePacket(CMD_SET_FINGER_TOUCH_MODE, 4, u32(1))
                                 << "[0x1112]CMD_SET_FINGER_TOUCH_MODE : Len[4], Data[1]";
    QTest::newRow("options") << makePacket(DAT_OPTION, 4, bytes({1, 0, 1, 2}))
                             << "[0x1119]DAT_OPTION : Len[4], Option[1, 0]";
    QTest::newRow("resend parts") << makePacket(CMD_AC_SENDIMG_PART, 12, u32(103) + u32(5) + u32(7))
                                  << "[0x1121]CMD_AC_SENDIMG_PART : Len[12], Data[103, 5, 7]";
    QTest::newRow("tracking option")
        << makePacket(CMD_SET_TRACKING_OPTION, 12, bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}))
        << "[0x1127]CMD_SET_TRACKING_OPTION : Len[12], Option[1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, "
           "12]";
    QTest::newRow("coordinate ratio") << makePacket(CMD_SET_FIX_COORD_RATIO, 12, u32(2) + f64(1.5))
                                      << "[0x112A]CMD_SET_FIX_COORD_RATIO : Len[12], Data[2, "
                                         "1.500000]";
    QTest::newRow("send coord") << makePacket(CMD_SEND_COORD, 12, u32(1) + u32(1000) + u32(3800))
                                << "[0x112B]CMD_SEND_COORD : Len[12], Data[1, 1000, 3800]";
    QTest::newRow("mask request") << makePacket(CMD_GET_MASK, 1, bytes({5}))
                                  << "[0x112C]CMD_GET_MASK : Len[1]";
    QTest::newRow("calibration record")
        << makePacket(CMD_SET_CALIB_PARAMETER, 370) << "[0x1123]CMD_SET_CALIB_PARAMETER : Len[370]";
    QTest::newRow("silent image part") << makePacket(DAT_AC_IMAGE, 504) << "";
    QTest::newRow("silent live request") << makePacket(CMD_SENDIMG, 0) << "";
    QTest::newRow("silent debug") << makePacket(RES_DEBUG, 24) << "";
    QTest::newRow("silent 0x1007") << makePacket(0x1007, 0) << "";
    QTest::newRow("silent ipro range") << makePacket(CMD_IPRO_ALIVE, 0) << "";
    QTest::newRow("live image part is not in the table")
        << makePacket(DAT_IMAGE, 504) << "[0x1008]Invalid Cmd : Len[504]";
    QTest::newRow("unknown code") << makePacket(0xBEEF, 9) << "[0xBEEF]Invalid Cmd : Len[9]";
}

void PacketsTest::logText() {
    QFETCH(QByteArray, packet);
    QFETCH(QString, text);
    QCOMPARE(packetLogText(reinterpret_cast<const uint8_t*>(packet.constData())), text);
}

void PacketsTest::moduleTextIsEscaped_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("logged");
    QTest::newRow("plain") << QStringLiteral("TV-0042") << QStringLiteral("TV-0042");
    QTest::newRow("a second line") << QStringLiteral("A\nB\r") << QStringLiteral("A\\x0AB\\x0D");
    QTest::newRow("terminal sequence")
        << QStringLiteral("\x1b[2J\x07") << QStringLiteral("\\x1B[2J\\x07");
    QTest::newRow("delete and an 8-bit control")
        << QString::fromLatin1("\x7f\x9b") << QStringLiteral("\\x7F\\x9B");
    // Otherwise an escape the module wrote itself would read as one of ours.
    QTest::newRow("backslash") << QStringLiteral("\\x0A") << QStringLiteral("\\\\x0A");
}

void PacketsTest::moduleTextIsEscaped() {
    QFETCH(QString, text);
    QFETCH(QString, logged);
    QCOMPARE(escapedModuleText(text), logged);
}

void PacketsTest::commandNames_data() {
    QTest::addColumn<uint>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("named") << 0x1003u << "CMD_SENDVERSION";
    QTest::newRow("named input points") << 0x1126u << "DAT_MC_INPUT_POINT";
    QTest::newRow("handled but unnamed: live part") << 0x1008u << "Invalid Command";
    QTest::newRow("handled but unnamed: pattern done") << 0x1108u << "Invalid Command";
    QTest::newRow("handled but unnamed: record") << 0x111Du << "Invalid Command";
    QTest::newRow("outside the table") << 0xFFFFFFFFu << "Invalid Command";
}

void PacketsTest::commandNames() {
    QFETCH(uint, code);
    QFETCH(QString, name);
    QCOMPARE(GetCmdName(code), name);
}

void PacketsTest::printPacketPrefixesTime() {
    LogCapture log;
    const QByteArray packet = makePacket(pkt::CMD_MC_START, 0);
    PrintPacket(reinterpret_cast<const uint8_t*>(packet.constData()));
    QCOMPARE(log.lines().size(), 1);
    QVERIFY2(QRegularExpression(R"(^\d\d:\d\d:\d\d\.\d{3} \[0x1104\]CMD_MC_START : Len\[0\]$)")
                 .match(log.lines().first())
                 .hasMatch(),
             qPrintable(log.lines().first()));
}

void PacketsTest::splitLayout_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("lengthFields");
    QTest::newRow("fits one packet") << 504 << QList<int>{504};
    QTest::newRow("one byte over") << 505 << QList<int>{512, 10};
    QTest::newRow("exact multiple of a slice") << 1006 << QList<int>{512, 511};
    QList<int> mask;
    for (int i = 0; i < 57; ++i)
        mask << 512;
    mask << 138;
    QTest::newRow("whole mask") << 28801 << mask;
}

void PacketsTest::splitLayout() {
    QFETCH(int, length);
    QFETCH(QList<int>, lengthFields);
    auto owned = std::make_unique<FakeTransport>();
    FakeTransport* fake = owned.get();
    QString serial;
    fake->open(&serial);
    CamDevCtrl link(std::move(owned));
    QByteArray payload(length, '\0');
    for (int i = 0; i < length; ++i)
        payload[i] = char(i * 7 + 3);

    LogCapture log;
    link.SendPacket(reinterpret_cast<const uint8_t*>(payload.constData()), 0x112E, length);
    const QList<QByteArray> packets = fake->written();
    QCOMPARE(packets.size(), lengthFields.size());

    QByteArray joined;
    for (int i = 0; i < packets.size(); ++i) {
        const auto* p = reinterpret_cast<const uint8_t*>(packets[i].constData());
        QCOMPARE(le::u32(p, 0), 0x112Eu);
        QCOMPARE(int(le::u32(p, 4)), lengthFields[i]);
        if (packets.size() == 1) {
            joined = packets[i].mid(8, length);
        } else {
            QCOMPARE(int(p[8]), i);
            const int slice = i + 1 < packets.size() ? 503 : lengthFields[i] - 8;
            joined += packets[i].mid(9, slice);
        }
    }
    QCOMPARE(joined, payload);
    if (packets.size() > 1) {
        QCOMPARE(log.count(QStringLiteral("nLen > nPLen")), 1);
        QVERIFY(log.contains(QStringLiteral("nLen > nPLen %1").arg(packets.size())));
    }
}

void PacketsTest::nothingWrittenWhileClosed() {
    auto owned = std::make_unique<FakeTransport>();
    FakeTransport* fake = owned.get();
    CamDevCtrl link(std::move(owned));
    LogCapture log;
    link.SendMCStart();
    QVERIFY(fake->written().isEmpty());
    QVERIFY(log.contains(QStringLiteral("CMD_MC_START : Len[0]")));
    const uint8_t packet[512] = {};
    QCOMPARE(link.WritePacket(packet), -1);
}

QTEST_GUILESS_MAIN(PacketsTest)
#include "test_packets.moc"
