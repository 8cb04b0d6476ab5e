#include "app/PreviewWindow.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cstdlib>

#include "app/Icons.h"
#include "app/QtText.h"
#include "app/WindowTexts.h"
#include "bytes/Integer.h"
#include "types/Catalogue.h"
#include "types/TypeList.h"

namespace stratex {
namespace {

// The colour a picture shows most: its most frequent colour family among opaque pixels that are neither
// near white nor near black (outlines and highlights), averaged; grey for a picture without one.
QColor MainColour(const QPixmap& pixmap) {
    if (pixmap.isNull()) return QColor(0x80, 0x80, 0x80);
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    struct Sum {
        int count = 0;
        long r = 0, g = 0, b = 0;
    };
    QHash<int, Sum> families;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            if (qAlpha(p) < 160) continue;
            const int r = qRed(p), g = qGreen(p), b = qBlue(p);
            if ((r > 225 && g > 225 && b > 225) || (r < 50 && g < 50 && b < 50)) continue;
            Sum& sum = families[(r >> 5) << 6 | (g >> 5) << 3 | (b >> 5)];
            ++sum.count;
            sum.r += r;
            sum.g += g;
            sum.b += b;
        }
    }
    const Sum* best = nullptr;
    for (const Sum& sum : families) {
        if (!best || sum.count > best->count) best = &sum;
    }
    if (!best) return QColor(0x50, 0x50, 0x50);
    return QColor(static_cast<int>(best->r / best->count), static_cast<int>(best->g / best->count),
                  static_cast<int>(best->b / best->count));
}

// The size of the part of an icon that shows, about its centre (icons have clear margins, which may cover
// each other); a point without an icon is drawn as a square of 4 pixels.
IconSize VisibleSize(const QImage& icon) {
    if (icon.isNull()) return {4, 4};
    const QImage image = icon.convertToFormat(QImage::Format_ARGB32);
    int width = 0, height = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0) continue;
            // Twice the distance from the centre to the pixel's far edge.
            width = std::max(width, std::abs(2 * x + 1 - image.width()) + 1);
            height = std::max(height, std::abs(2 * y + 1 - image.height()) + 1);
        }
    }
    return {width, height};
}

// The paint of every type of the map: the catalogue icon of its code, as the Type lists show it.
void Paint(PreviewMap& map) {
    QHash<int, TypePaint> byIcon[kAllKinds.size()];
    for (const MapGeometry::Type& type : map.geometry.types()) {
        const std::optional<std::int32_t> value = TryReadInteger(type.text);
        const int icon = value ? GetImage(type.kind, NormalisedTypeCode(type.kind, *value)) : -1;
        QHash<int, TypePaint>& cache = byIcon[static_cast<std::size_t>(type.kind)];
        auto found = cache.find(icon);
        if (found == cache.end()) {
            const QPixmap pixmap = TypeIcon(type.kind, icon);
            // Pictures are drawn on another thread, where a pixmap may not be used: the icon goes as an image.
            found =
                cache.insert(icon, {MainColour(pixmap), type.kind == ObjectKind::Poi ? pixmap.toImage() : QImage()});
        }
        map.paints.push_back(*found);
        map.iconSizes.push_back(VisibleSize(found->icon));
    }
}

}  // namespace

PreviewWindow::PreviewWindow(const MapDocument* document, const std::vector<QAbstractItemModel*>& typeModels,
                             QAbstractItemModel* levelsModel, QWidget* parent)
    : QWidget(parent, Qt::Window), document_(document) {
    setObjectName(QStringLiteral("PreviewWindow"));
    setWindowTitle(tr("Просмотр"));
    resize(720, 560);

    levelBox_ = new QComboBox(this);
    levelBox_->setObjectName(QStringLiteral("PreviewLevel"));
    levelBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* fit = new QToolButton(this);
    fit->setObjectName(QStringLiteral("PreviewFit"));
    fit->setText(tr("Вся карта"));
    fit->setToolTip(tr("Показать всю карту (Home)"));
    canvas_ = new PreviewCanvas(this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("PreviewStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Слой:"), this));
    top->addWidget(levelBox_);
    top->addWidget(fit);
    top->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 4);
    layout->addLayout(top);
    layout->addWidget(canvas_, 1);
    layout->addWidget(status_);

    connect(fit, &QToolButton::clicked, canvas_, &PreviewCanvas::FitToMap);
    connect(new QShortcut(QKeySequence(Qt::Key_Home), this), &QShortcut::activated, canvas_, &PreviewCanvas::FitToMap);
    connect(levelBox_, &QComboBox::currentIndexChanged, this, [this]() { Select(); });
    // Every change of a type's level reaches the lists through their models, whichever control made it.
    for (QAbstractItemModel* model : typeModels) {
        connect(model, &QAbstractItemModel::dataChanged, this, &PreviewWindow::Select);
        connect(model, &QAbstractItemModel::modelReset, this, &PreviewWindow::Select);
        connect(model, &QAbstractItemModel::layoutChanged, this, &PreviewWindow::Select);
        connect(model, &QAbstractItemModel::rowsInserted, this, &PreviewWindow::Select);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &PreviewWindow::Select);
    }
    connect(levelsModel, &QAbstractItemModel::dataChanged, this, &PreviewWindow::FillLevels);
    connect(levelsModel, &QAbstractItemModel::modelReset, this, &PreviewWindow::FillLevels);
    connect(levelsModel, &QAbstractItemModel::rowsInserted, this, &PreviewWindow::FillLevels);
    connect(levelsModel, &QAbstractItemModel::rowsRemoved, this, &PreviewWindow::FillLevels);

    FillLevels();
    MapOpened();
}

PreviewWindow::~PreviewWindow() { LetGoOfMap(); }

PreviewWindow::MapChange::MapChange(PreviewWindow* window) : window_(window) {
    if (window_) window_->LetGoOfMap();
}

PreviewWindow::MapChange::~MapChange() {
    if (window_) window_->MapOpened();
}

void PreviewWindow::LetGoOfMap() {
    reader_.Stop();
    ++readGeneration_;  // a map read before and not yet taken is not taken
    canvas_->DropMap();
    map_.reset();
}

void PreviewWindow::MapOpened() {
    LetGoOfMap();
    const std::uint64_t generation = readGeneration_;
    const MapText* documentText = &document_->map();
    // A set of tiles stays in its files: the preview reads them into one text of its own.
    std::vector<Tile> tiles = document_->tiles();
    readFailure_.clear();
    reader_.Run([this, documentText, tiles = std::move(tiles), generation](const std::atomic<bool>& stop) {
        std::shared_ptr<PreviewMap> map;
        QString failure;
        try {
            std::shared_ptr<const MapText> own;
            if (!tiles.empty()) own = std::make_shared<const MapText>(JoinedMapText(tiles));
            const MapText& text = own ? *own : *documentText;
            std::optional<MapGeometry> geometry = MapGeometry::Read(text, stop);
            if (!geometry) return;
            map = std::make_shared<PreviewMap>();
            map->geometry = std::move(*geometry);
            map->index = BoxIndex(map->geometry);
            map->text = text.Buffer();
            map->ownText = std::move(own);
        } catch (const std::exception& error) {
            map.reset();
            failure = QString::fromStdString(error.what());  // the engine's messages are UTF-8
        }
        QMetaObject::invokeMethod(
            this,
            [this, map = std::move(map), failure, generation]() mutable {
                TakeMap(std::move(map), failure, generation);
            },
            Qt::QueuedConnection);
    });
    ShowStatus();
}

QImage PreviewWindow::Picture() {
    reader_.WaitIdle();
    // The map read is on its way to this thread: taken now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return canvas_->Picture();
}

void PreviewWindow::TakeMap(std::shared_ptr<PreviewMap> map, const QString& failure, std::uint64_t generation) {
    if (generation != readGeneration_) return;
    if (!map) {
        readFailure_ = failure;
        ShowStatus();
        return;
    }
    Paint(*map);
    const bool keepView = map->geometry.bounds() == lastBounds_;
    lastBounds_ = map->geometry.bounds();
    map_ = std::move(map);
    canvas_->SetMap(map_, keepView);
    Select();
    emit MapRead();
}

void PreviewWindow::FillLevels() {
    // Every row of the Levels table, "Level1 21bit (<=1,2км)"; the chosen level stays chosen while it exists.
    const int current = std::max(levelBox_->currentIndex(), 0);
    const QSignalBlocker block(levelBox_);
    levelBox_->clear();
    for (const LevelRow& row : document_->levels().rows()) {
        levelBox_->addItem(DecodeCp1251(row.key) + QLatin1Char(' ') + WindowTexts::LevelValue(row.value));
    }
    levelBox_->setCurrentIndex(std::min(current, levelBox_->count() - 1));
    Select();
}

void PreviewWindow::Select() {
    if (map_) {
        selection_ = LevelSelection::Select(map_->geometry, document_->lists(), std::max(levelBox_->currentIndex(), 0));
        canvas_->SetSelection(selection_);
    }
    ShowStatus();
}

void PreviewWindow::ShowStatus() {
    if (!map_) {
        status_->setText(readFailure_.isEmpty() ? tr("Чтение координат карты...")
                                                : tr("Координаты карты не прочитаны: %1").arg(readFailure_));
        status_->setToolTip({});
        return;
    }
    const MapGeometry& geometry = map_->geometry;
    QString text = tr("Нарисовано объектов: %1, скрыто: %2").arg(selection_.DrawnCount()).arg(selection_.hiddenCount());
    if (geometry.FindingCount() > 0) {
        text += tr("; не прочитано строк координат: %1 (%2)")
                    .arg(geometry.FindingCount())
                    .arg(QString::fromStdString(geometry.findings().front().message));
    }
    if (!selection_.problem().empty()) {
        text += tr("; не нарисовано: ") + QString::fromStdString(selection_.problem());
    }
    status_->setText(text);
    QStringList lines;
    for (const GeometryFinding& finding : geometry.findings()) lines << QString::fromStdString(finding.message);
    status_->setToolTip(lines.join(QLatin1Char('\n')));
}

}  // namespace stratex
