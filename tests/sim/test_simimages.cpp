// Live pictures and captured pictures as the virtual module sends them, put together with the
// utility's placement rule.
#include "SimPackets.h"
#include "sim/FaultPlan.h"
#include "sim/TestCard.h"

#include <QtTest>
#include <set>
#include <thread>

using namespace simtest;
using namespace pkt;

namespace {

constexpr int kLiveBytes = 640 * 360;
constexpr int kCapturedBytes = 1280 * 720;

SimProfile instantProfile() {
    SimProfile p;
    p.exposureMs = 0;
    return p;
}

Bytes mirrored(Bytes pixels, int width) {
    for (size_t row = 0; row < pixels.size(); row += size_t(width))
        std::reverse(pixels.begin() + long(row), pixels.begin() + long(row) + width);
    return pixels;
}

} // namespace

class SimImagesTest : public QObject {
    Q_OBJECT

private:
    // One live picture put together from its parts; empty on any fault in the answer.
    static Bytes livePicture(SimTransport& t) {
        if (t.write(command(CMD_SENDIMG).data()) != kPacketSize)
            return {};
        const std::vector<Packet> packets = readUntil(t, kEpImage, DAT_IMGEND);
        Bytes image(kLiveBytes, 0);
        for (size_t i = 0; i + 1 < packets.size(); ++i)
            if (codeOf(packets[i]) != DAT_IMAGE || !placePart(packets[i], image))
                return {};
        return packets.size() == 481 ? image : Bytes();
    }

    static bool takeCapture(SimTransport& t, uint32_t startCode, uint32_t endCode) {
        const Bytes payload = startCode == CMD_AC_BLACK_START ? Bytes{0, 0, 0x70} : u32Payload(0);
        Packet a{};
        return exchange(t, command(startCode, payload), &a) && codeOf(a) == endCode &&
               lengthOf(a) == 0;
    }

    // The answer to one group request: its DAT_AC_IMAGE parts, then DAT_AC_IMGEND.
    static std::vector<Packet> group(SimTransport& t, uint8_t id, uint8_t g) {
        if (t.write(command(CMD_AC_SENDIMG, {id, g}).data()) != kPacketSize)
            return {};
        return readUntil(t, kEpCommand, DAT_AC_IMGEND);
    }

    // Groups 0 to 80 of a capture, placed; receivedParts lists the part numbers that came.
    static Bytes fetchCapture(SimTransport& t, uint8_t id, std::set<int>* receivedParts) {
        Bytes image(kCapturedBytes, 0);
        for (int g = 0; g <= 80; ++g) {
            const std::vector<Packet> packets = group(t, id, uint8_t(g));
            if (packets.empty())
                return {};
            for (size_t i = 0; i + 1 < packets.size(); ++i) {
                if (!placePart(packets[i], image) ||
                    le::u32(packets[i].data(), 12) != uint32_t(kCapturedBytes))
                    return {};
                receivedParts->insert(int(partNumberOf(packets[i])));
            }
        }
        return image;
    }

    static Packet repairRequest(uint32_t id, uint32_t first, uint32_t last) {
        Bytes payload(12);
        le::put32(payload.data(), 0, id);
        le::put32(payload.data(), 4, first);
        le::put32(payload.data(), 8, last);
        return command(CMD_AC_SENDIMG_PART, payload);
    }

    static std::vector<Packet> repair(SimTransport& t, uint32_t id, uint32_t first, uint32_t last) {
        if (t.write(repairRequest(id, first, last).data()) != kPacketSize)
            return {};
        return readUntil(t, kEpCommand, RES_AC_IMGPART_END);
    }

    static void writeRegisters(SimTransport& t,
                               const std::vector<std::pair<uint16_t, uint8_t>>& writes) {
        for (const auto& [reg, value] : writes) {
            Packet a{};
            QVERIFY(exchange(t, command(CMD_IIC_WR, {uint8_t(reg), uint8_t(reg >> 8), value}), &a));
            QCOMPARE(codeOf(a), uint32_t(RES_ACK));
        }
    }

private slots:
    void livePictureLayout() {
        SimTransport t(instantProfile());
        const QImage scene = numberedPicture(640, 360, 0);
        t.setSceneSource(std::make_shared<FixedScene>(scene));
        QVERIFY(t.open(nullptr));
        QCOMPARE(t.write(command(CMD_SENDIMG).data()), kPacketSize);
        const std::vector<Packet> packets = readUntil(t, kEpImage, DAT_IMGEND);
        QCOMPARE(int(packets.size()), 481);

        for (int n = 0; n < 480; ++n) {
            const Packet& p = packets[size_t(n)];
            QCOMPARE(codeOf(p), uint32_t(DAT_IMAGE));
            QCOMPARE(partNumberOf(p), uint32_t(n));
            QCOMPARE(le::u32(p.data(), 12), uint32_t(kLiveBytes));
            // Each group of 24 parts holds 11,520 bytes: its last part only 112.
            QCOMPARE(lengthOf(p), n % 24 == 23 ? 8u + 112u : 8u + 496u);
        }
        const Packet& end = packets.back();
        QCOMPARE(lengthOf(end), 4u);
        QCOMPARE(le::u32(payloadOf(end), 0), 0u);
        QVERIFY(commandQueueEmpty(t));

        QCOMPARE(livePicture(t), bytesOf(scene));
    }

    void theTestCardIsShownUntilAnotherSceneComes() {
        SimTransport t(instantProfile());
        QVERIFY(t.open(nullptr));
        const Bytes card = livePicture(t);
        QCOMPARE(card, bytesOf(TestCard().frame(640, 360)));
        QVERIFY(std::set<uint8_t>(card.begin(), card.end()).size() > 50);

        t.setSceneSource(uniformScene(77));
        QCOMPARE(livePicture(t), Bytes(kLiveBytes, 77));
        t.setSceneSource(nullptr);
        QCOMPARE(livePicture(t), card);
    }

    void anySceneAnswerBecomesGreyOfTheSizeAskedFor() {
        SimTransport t(instantProfile());
        QVERIFY(t.open(nullptr));
        QImage colour(1280, 720, QImage::Format_RGB32);
        colour.fill(qRgb(100, 100, 100));
        t.setSceneSource(std::make_shared<FixedScene>(colour));
        QCOMPARE(livePicture(t), Bytes(kLiveBytes, 100));
        t.setSceneSource(std::make_shared<FixedScene>(QImage()));
        QCOMPARE(livePicture(t), Bytes(kLiveBytes, 0));
    }

    void gainChangesBrightness_data() {
        QTest::addColumn<int>("gain");
        QTest::addColumn<int>("grey");
        QTest::newRow("neutral") << 256 << 100;
        QTest::newRow("lowest step") << 16 << 6;
        QTest::newRow("double") << 512 << 200;
        QTest::newRow("clamped") << 1023 << 255;
        QTest::newRow("high byte only") << 0x0100 << 100;
        QTest::newRow("dark") << 0 << 0;
    }

    void gainChangesBrightness() {
        QFETCH(int, gain);
        QFETCH(int, grey);
        SimTransport t(instantProfile());
        t.setSceneSource(uniformScene(100));
        QVERIFY(t.open(nullptr));
        // The utility's gain write: hold, high byte, low byte, release.
        writeRegisters(t, {{0x3008, 0x42}, {0x350A, uint8_t(gain >> 8)}, {0x350B, uint8_t(gain)}});
        QCOMPARE(livePicture(t), Bytes(kLiveBytes, 100));
        writeRegisters(t, {{0x3008, 0x02}});
        QCOMPARE(livePicture(t), Bytes(kLiveBytes, uint8_t(grey)));
    }

    void gainOutsideAHoldTakesAtOnce() {
        SimTransport t(instantProfile());
        t.setSceneSource(uniformScene(100));
        QVERIFY(t.open(nullptr));
        writeRegisters(t, {{0x350A, 0x00}});
        QCOMPARE(livePicture(t), Bytes(kLiveBytes, 0));
        writeRegisters(t, {{0x350B, 0x80}});
        QCOMPARE(livePicture(t), Bytes(kLiveBytes, 50));
        // A power cycle brings the neutral gain back.
        t.module().powerUp();
        QCOMPARE(livePicture(t), Bytes(kLiveBytes, 100));
    }

    void imageReverseMirrorsEveryRow() {
        SimTransport t(instantProfile());
        t.setSceneSource(std::make_shared<NumberedScene>(3));
        QVERIFY(t.open(nullptr));
        Packet a{};
        QVERIFY(exchange(t, command(CMD_SET_IMAGE_REVERSE, u32Payload(1)), &a));
        QCOMPARE(livePicture(t), mirrored(bytesOf(numberedPicture(640, 360, 3)), 640));

        QVERIFY(takeCapture(t, CMD_AC_WHITE_START, RES_AC_WHITE_END));
        std::set<int> received;
        QCOMPARE(fetchCapture(t, 102, &received),
                 mirrored(bytesOf(numberedPicture(1280, 720, 3)), 1280));
    }

    // A picture in progress keeps the scene it started with, whatever another thread installs.
    void sceneSwapsNeverMixTwoScenes() {
        SimTransport t(instantProfile());
        QVERIFY(t.open(nullptr));
        t.setSceneSource(uniformScene(20));
        std::atomic<bool> done{false};
        std::thread swapper([&] {
            for (int i = 0; !done; ++i)
                t.setSceneSource(uniformScene(i % 2 ? 10 : 20));
        });
        for (int i = 0; i < 10; ++i) {
            const Bytes picture = livePicture(t);
            QCOMPARE(int(picture.size()), kLiveBytes);
            const bool oneScene = std::all_of(picture.begin(), picture.end(),
                                              [&](uint8_t v) { return v == picture.front(); });
            if (!oneScene) {
                done = true;
                swapper.join();
                QFAIL("a picture mixes two scenes");
            }
        }
        done = true;
        swapper.join();
    }

    // Each capture is taken from the scene when its exposure ends and kept by its image id.
    void capturesAreKeptById() {
        ManualClock clock;
        SimProfile profile;
        profile.exposureMs = 150;
        SimTransport t(profile, clock.clock());
        QVERIFY(t.open(nullptr));
        const QImage scenes[3] = {numberedPicture(1280, 720, 1), numberedPicture(1280, 720, 2),
                                  numberedPicture(1280, 720, 3)};
        const uint32_t starts[3] = {CMD_AC_BLACK_START, CMD_AC_WHITE_START, CMD_AC_PATTERN_START};
        const uint32_t ends[3] = {RES_AC_BLACK_END, RES_AC_WHITE_END, RES_AC_PATTERN_END};
        const Bytes payloads[3] = {{0, 0, 0x70}, u32Payload(1200), u32Payload(900)};

        for (int i = 0; i < 3; ++i) {
            t.setSceneSource(std::make_shared<FixedScene>(scenes[i]));
            QCOMPARE(t.write(command(starts[i], payloads[i]).data()), kPacketSize);
            t.module().state(); // handled at the time on the clock now
            clock.set(clock.now->load() + 149);
            Packet a{};
            QCOMPARE(t.read(kEpCommand, a.data(), 30), SimTransport::kTimedOut);
            // Not taken yet: the picture cannot be asked for.
            QVERIFY(exchange(t, command(CMD_AC_SENDIMG, {uint8_t(101 + i), 0}), &a));
            QCOMPARE(codeOf(a), uint32_t(RES_NAK));
            clock.set(clock.now->load() + 1);
            QVERIFY(readAnswer(t, &a));
            QCOMPARE(codeOf(a), ends[i]);
            QCOMPARE(lengthOf(a), 0u);
        }
        t.setSceneSource(uniformScene(0));
        for (int i = 0; i < 3; ++i) {
            std::set<int> received;
            QCOMPARE(fetchCapture(t, uint8_t(101 + i), &received), bytesOf(scenes[i]));
            QCOMPARE(int(received.size()), 1920);
        }
    }

    void groupAnswers() {
        SimTransport t(instantProfile());
        t.setSceneSource(std::make_shared<FixedScene>(numberedPicture(1280, 720, 5)));
        QVERIFY(t.open(nullptr));
        QVERIFY(takeCapture(t, CMD_AC_BLACK_START, RES_AC_BLACK_END));

        for (int g : {0, 79}) {
            const std::vector<Packet> packets = group(t, 101, uint8_t(g));
            QCOMPARE(int(packets.size()), 25);
            for (int i = 0; i < 24; ++i) {
                QCOMPARE(codeOf(packets[size_t(i)]), uint32_t(DAT_AC_IMAGE));
                QCOMPARE(partNumberOf(packets[size_t(i)]), uint32_t(24 * g + i));
            }
            QCOMPARE(lengthOf(packets[23]), 8u + 112u);
            QCOMPARE(lengthOf(packets.back()), 0u);
        }
        const std::vector<Packet> past = group(t, 101, 80);
        QCOMPARE(int(past.size()), 1);
        QCOMPARE(lengthOf(past.front()), 0u);
        QVERIFY(commandQueueEmpty(t));
    }

    void badGroupRequestsAreRefused_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("group");
        QTest::newRow("group past the end") << 101 << 81;
        QTest::newRow("largest group") << 101 << 255;
        QTest::newRow("white never taken") << 102 << 0;
        QTest::newRow("unknown id") << 104 << 0;
        QTest::newRow("id zero") << 0 << 80;
    }

    void badGroupRequestsAreRefused() {
        QFETCH(int, id);
        QFETCH(int, group);
        SimTransport t(instantProfile());
        QVERIFY(t.open(nullptr));
        QVERIFY(takeCapture(t, CMD_AC_BLACK_START, RES_AC_BLACK_END));
        Packet a{};
        QVERIFY(exchange(t, command(CMD_AC_SENDIMG, {uint8_t(id), uint8_t(group)}), &a));
        QCOMPARE(codeOf(a), uint32_t(RES_NAK));
        QCOMPARE(le::u32(payloadOf(a), 0), uint32_t(CMD_AC_SENDIMG));
        QVERIFY(commandQueueEmpty(t));
    }

    void repairRunsResendParts() {
        SimTransport t(instantProfile());
        const QImage scene = numberedPicture(1280, 720, 9);
        t.setSceneSource(std::make_shared<FixedScene>(scene));
        QVERIFY(t.open(nullptr));
        QVERIFY(takeCapture(t, CMD_AC_PATTERN_START, RES_AC_PATTERN_END));

        const std::vector<Packet> packets = repair(t, 103, 5, 7);
        QCOMPARE(int(packets.size()), 4);
        Bytes image(kCapturedBytes, 0);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(codeOf(packets[size_t(i)]), uint32_t(DAT_AC_IMAGE_PART));
            QCOMPARE(partNumberOf(packets[size_t(i)]), uint32_t(5 + i));
            QVERIFY(placePart(packets[size_t(i)], image));
        }
        QCOMPARE(lengthOf(packets.back()), 0u);
        const Bytes expected = bytesOf(scene);
        QVERIFY(std::equal(image.begin() + 5 * 496, image.begin() + 8 * 496,
                           expected.begin() + 5 * 496));

        // The short last part of the last group.
        const std::vector<Packet> last = repair(t, 103, 1919, 1919);
        QCOMPARE(int(last.size()), 2);
        QCOMPARE(lengthOf(last.front()), 8u + 112u);
        QVERIFY(placePart(last.front(), image));
        QVERIFY(std::equal(image.end() - 112, image.end(), expected.end() - 112));
    }

    void badRepairRequestsAreRefused_data() {
        QTest::addColumn<uint32_t>("id");
        QTest::addColumn<uint32_t>("first");
        QTest::addColumn<uint32_t>("last");
        QTest::newRow("reversed run") << 103u << 7u << 5u;
        QTest::newRow("past the last part") << 103u << 1900u << 1920u;
        QTest::newRow("huge part") << 103u << 0xFFFFFFF0u << 0xFFFFFFFFu;
        QTest::newRow("unknown id") << 0x10000067u << 0u << 1u;
    }

    void badRepairRequestsAreRefused() {
        QFETCH(uint32_t, id);
        QFETCH(uint32_t, first);
        QFETCH(uint32_t, last);
        SimTransport t(instantProfile());
        QVERIFY(t.open(nullptr));
        QVERIFY(takeCapture(t, CMD_AC_PATTERN_START, RES_AC_PATTERN_END));
        Packet a{};
        QVERIFY(exchange(t, repairRequest(id, first, last), &a));
        QCOMPARE(codeOf(a), uint32_t(RES_NAK));
        QCOMPARE(le::u32(payloadOf(a), 0), uint32_t(CMD_AC_SENDIMG_PART));
        QVERIFY(commandQueueEmpty(t));
    }

    void droppedFractionComesBackOnRepair() {
        SimProfile profile = instantProfile();
        profile.dropFraction = 0.05;
        profile.dropSeed = 7;
        SimTransport t(profile);
        t.setSceneSource(std::make_shared<FixedScene>(numberedPicture(1280, 720, 11)));
        QVERIFY(t.open(nullptr));
        QVERIFY(takeCapture(t, CMD_AC_PATTERN_START, RES_AC_PATTERN_END));

        std::set<int> received;
        Bytes image = fetchCapture(t, 103, &received);
        QCOMPARE(int(image.size()), kCapturedBytes);
        std::set<int> missing;
        for (int n = 0; n < 1920; ++n)
            if (!received.count(n))
                missing.insert(n);
        std::set<int> planned;
        for (int n = 0; n < 1920; ++n)
            if (dropsOnFirstSending(profile, 103, n))
                planned.insert(n);
        QCOMPARE(missing, planned);
        QVERIFY(missing.size() > 40 && missing.size() < 160);

        // The same seed drops the same parts; another seed others.
        SimProfile other = profile;
        other.dropSeed = 8;
        std::set<int> otherPlan;
        for (int n = 0; n < 1920; ++n)
            if (dropsOnFirstSending(other, 103, n))
                otherPlan.insert(n);
        QVERIFY(otherPlan != planned);

        for (int n : missing) {
            const std::vector<Packet> packets = repair(t, 103, uint32_t(n), uint32_t(n));
            QCOMPARE(int(packets.size()), 2);
            QVERIFY(placePart(packets.front(), image));
        }
        QCOMPARE(image, t.module().state().session.captures.at(103).pixels);

        // A group asked for again comes whole: parts are lost on their first sending only.
        QCOMPARE(int(group(t, 103, uint8_t(*missing.begin() / 24)).size()), 25);
    }

    void listedPartsAreDroppedOnce() {
        SimProfile profile = instantProfile();
        profile.dropParts = {5, 6, 7, 1919};
        SimTransport t(profile);
        QVERIFY(t.open(nullptr));
        QVERIFY(takeCapture(t, CMD_AC_BLACK_START, RES_AC_BLACK_END));
        std::set<int> received;
        QVERIFY(!fetchCapture(t, 101, &received).empty());
        QCOMPARE(int(received.size()), 1916);
        for (int n : {5, 6, 7, 1919})
            QVERIFY(!received.count(n));
        QCOMPARE(int(repair(t, 101, 5, 7).size()), 4);

        // A new capture is a new first sending.
        QVERIFY(takeCapture(t, CMD_AC_BLACK_START, RES_AC_BLACK_END));
        QCOMPARE(int(group(t, 101, 0).size()), 22);
    }
};

QTEST_GUILESS_MAIN(SimImagesTest)
#include "test_simimages.moc"
