// The painted pictures: the three icon lists at the catalogue's indices, the tool-bar pictures and the
// application's emblem.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPixmapCache>
#include <QSet>
#include <QtTest>
#include <string>

#include "app/Icons.h"
#include "types/Catalogue.h"

using namespace stratex;

namespace {

// Pixels with no paint at all, and pixels with some.
struct Coverage {
    int clear = 0;
    int painted = 0;
};

Coverage Measure(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    Coverage coverage;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ++(qAlpha(image.pixel(x, y)) == 0 ? coverage.clear : coverage.painted);
    return coverage;
}

QByteArray Bytes(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    return QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
}

// The length of each kind's icon list.
int ListLength(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return 101;
        case ObjectKind::Polyline:
            return 17;
        case ObjectKind::Polygon:
            return 9;
    }
    return 0;
}

}  // namespace

class TestIcons : public QObject {
    Q_OBJECT

private slots:
    void TypeIconsArePaintedOnTransparency_data();
    void TypeIconsArePaintedOnTransparency();
    void IndicesOutsideAListGiveNoIcon();
    void EveryCatalogueIndexHasItsIcon();
    void RepaintingGivesTheSamePicture();
    void ToolPicturesAreDistinct();
    void AppIconComesInEverySize();
};

void TestIcons::TypeIconsArePaintedOnTransparency_data() {
    QTest::addColumn<ObjectKind>("kind");
    QTest::newRow("POI") << ObjectKind::Poi;
    QTest::newRow("polyline") << ObjectKind::Polyline;
    QTest::newRow("polygon") << ObjectKind::Polygon;
}

// Every icon of a list has the list's size, enough paint to be seen, untouched background pixels, and a
// picture of its own (two equal pictures would mean a slip in the icon tables).
void TestIcons::TypeIconsArePaintedOnTransparency() {
    QFETCH(ObjectKind, kind);
    const int area = IconWidth(kind) * IconHeight(kind);
    QSet<QByteArray> seen;
    for (int index = 0; index < ListLength(kind); ++index) {
        const QByteArray where = QByteArray::number(index);
        const QPixmap icon = TypeIcon(kind, index);
        QVERIFY2(!icon.isNull(), where.constData());
        QCOMPARE(icon.size(), QSize(IconWidth(kind), IconHeight(kind)));
        QVERIFY2(icon.hasAlphaChannel(), where.constData());
        const Coverage coverage = Measure(icon);
        QVERIFY2(coverage.painted * 10 >= area, where.constData());
        QVERIFY2(coverage.clear >= 4, where.constData());
        const QByteArray bytes = Bytes(icon);
        QVERIFY2(!seen.contains(bytes), ("icon " + where + " repeats another").constData());
        seen.insert(bytes);
    }
}

void TestIcons::IndicesOutsideAListGiveNoIcon() {
    for (ObjectKind kind : kAllKinds) {
        const int count = ListLength(kind);
        for (int index : {-1, -2, count, count + 1, 1000}) QVERIFY(TypeIcon(kind, index).isNull());
    }
}

void TestIcons::EveryCatalogueIndexHasItsIcon() {
    for (ObjectKind kind : kAllKinds)
        for (const CatalogueEntry& entry : CatalogueTable(kind)) {
            if (entry.icon == -1) continue;
            QVERIFY2(!TypeIcon(kind, entry.icon).isNull(), std::string(entry.code).c_str());
        }
}

// The pixmap cache may drop pictures at any time; painting one again must give the same picture.
void TestIcons::RepaintingGivesTheSamePicture() {
    const QByteArray before = Bytes(TypeIcon(ObjectKind::Poi, 21));
    QPixmapCache::clear();
    QCOMPARE(Bytes(TypeIcon(ObjectKind::Poi, 21)), before);
}

void TestIcons::ToolPicturesAreDistinct() {
    QSet<QByteArray> seen;
    for (ToolPicture picture : {ToolPicture::OpenMap, ToolPicture::Process, ToolPicture::SaveMap,
                                ToolPicture::OpenConfig, ToolPicture::SaveConfig, ToolPicture::SaveDictionary}) {
        const QIcon icon = ToolIcon(picture);
        QVERIFY(!icon.isNull());
        const QPixmap pixmap = icon.pixmap(16, 16);
        QCOMPARE(pixmap.size(), QSize(16, 16));
        QVERIFY(Measure(pixmap).painted * 4 >= 16 * 16);
        QVERIFY(!seen.contains(Bytes(pixmap)));
        seen.insert(Bytes(pixmap));
    }
}

void TestIcons::AppIconComesInEverySize() {
    const QIcon icon = AppIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QVERIFY2(sizes.contains(QSize(size, size)), QByteArray::number(size).constData());
        QVERIFY(Measure(icon.pixmap(size, size)).painted * 4 >= size * size);
    }
}

QTEST_MAIN(TestIcons)
#include "TestIcons.moc"
