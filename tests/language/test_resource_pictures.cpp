#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QXmlStreamReader>
#include <QtEndian>
#include <QtTest>

namespace {

// Bits per pixel as the file states them: a bitmap's header field, or a PNG's depth times
// its channel count.
int storedBitsPerPixel(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = file.read(32);
    const auto* bytes = reinterpret_cast<const uchar*>(head.constData());
    if (head.size() >= 30 && head.startsWith("BM"))
        return qFromLittleEndian<quint16>(bytes + 28);
    if (head.size() >= 26 && head.startsWith("\x89PNG")) {
        const int channels[] = {1, 0, 3, 1, 2, 0, 4};
        const int colourType = bytes[25];
        return colourType <= 6 ? bytes[24] * channels[colourType] : -1;
    }
    return -1;
}

} // namespace

class TestResourcePictures : public QObject {
    Q_OBJECT

private slots:
    void picturesHaveTheirSizeAndFormat_data();
    void picturesHaveTheirSizeAndFormat();
    void scalableIconIsAnSvgPicture();
    void targetMarkIsTransparentAroundItsRings();
    void calibrationBackgroundIsTextFree();
};

void TestResourcePictures::picturesHaveTheirSizeAndFormat_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("bitsPerPixel");

    QTest::newRow("banner") << ":/TivoraRes/vis" << QSize(558, 81) << QByteArray("bmp") << 24;
    QTest::newRow("banner at 2x") << ":/TivoraRes/vis@2x" << QSize(1116, 162) << QByteArray("png")
                                  << 24;
    QTest::newRow("icon") << ":/TivoraRes/icon" << QSize(16, 16) << QByteArray("png") << 32;
    QTest::newRow("target mark") << ":/TivoraRes/pen1" << QSize(113, 113) << QByteArray("bmp")
                                 << 32;
    QTest::newRow("calibration background")
        << ":/TivoraRes/irpen" << QSize(1280, 800) << QByteArray("bmp") << 24;
    // The hicolor theme's sizes, which packaging/CMakeLists.txt installs.
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QTest::addRow("desktop icon %d", side)
            << QStringLiteral(TIVORA_ICON_DIR "/%1x%1/com.corvan.Tivora.png").arg(side)
            << QSize(side, side) << QByteArray("png") << 32;
    }
}

void TestResourcePictures::picturesHaveTheirSizeAndFormat() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);
    QFETCH(int, bitsPerPixel);

    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    QCOMPARE(storedBitsPerPixel(path), bitsPerPixel);
}

void TestResourcePictures::scalableIconIsAnSvgPicture() {
    QFile file(QStringLiteral(TIVORA_ICON_DIR "/scalable/com.corvan.Tivora.svg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&file);
    QVERIFY(svg.readNextStartElement());
    QCOMPARE(svg.name(), QStringLiteral("svg"));
    QCOMPARE(svg.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
    QCOMPARE(svg.attributes().value(QStringLiteral("viewBox")), QStringLiteral("0 0 16 16"));
    while (!svg.atEnd())
        svg.readNext();
    QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
}

void TestResourcePictures::targetMarkIsTransparentAroundItsRings() {
    const QImage mark(QStringLiteral(":/TivoraRes/pen1"));
    QVERIFY(mark.hasAlphaChannel());
    for (const QPoint corner : {QPoint(0, 0), QPoint(112, 0), QPoint(0, 112), QPoint(112, 112)})
        QCOMPARE(qAlpha(mark.pixel(corner)), 0);

    // On the outer white ring, half-way between the cross-hair's arms.
    const QRgb ring = mark.pixel(82, 82);
    QCOMPARE(qAlpha(ring), 255);
    QVERIFY(qRed(ring) > 200 && qGreen(ring) > 200 && qBlue(ring) > 200);
}

void TestResourcePictures::calibrationBackgroundIsTextFree() {
    // Black and text-free: the window draws the heading in the user's language.
    const QImage background(QStringLiteral(":/TivoraRes/irpen"));
    for (int y = 0; y < background.height(); y += 3) {
        for (int x = 0; x < background.width(); x += 3)
            QCOMPARE(background.pixel(x, y), qRgb(0, 0, 0));
    }
}

QTEST_GUILESS_MAIN(TestResourcePictures)
#include "test_resource_pictures.moc"
