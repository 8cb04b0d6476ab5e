#include "app/PreviewWindow.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

#include "app/Icons.h"
#include "app/QtText.h"
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

// The paint of every type of geometry: the catalogue icon of its code, as the Type lists show it.
std::vector<TypePaint> PaintsOf(const MapGeometry& geometry) {
    std::vector<TypePaint> paints;
    QHash<int, TypePaint> byIcon[kAllKinds.size()];
    for (const MapGeometry::Type& type : geometry.types()) {
        const std::optional<std::int32_t> value = TryReadInteger(type.text);
        const int icon = value ? GetImage(type.kind, NormalisedTypeCode(type.kind, *value)) : -1;
        QHash<int, TypePaint>& cache = byIcon[static_cast<std::size_t>(type.kind)];
        auto found = cache.find(icon);
        if (found == cache.end()) {
            const QPixmap pixmap = TypeIcon(type.kind, icon);
            found = cache.insert(icon, {MainColour(pixmap), type.kind == ObjectKind::Poi ? pixmap : QPixmap()});
        }
        paints.push_back(*found);
    }
    return paints;
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

void PreviewWindow::MapOpened() {
    geometry_ = MapGeometry::Read(document_->map());
    paints_ = PaintsOf(geometry_);
    canvas_->SetMap(&geometry_, &paints_);
    Select();
}

void PreviewWindow::FillLevels() {
    // Every row of the Levels table, "Level1 21bit (<=1,2км)"; the chosen level stays chosen while it exists.
    const int current = std::max(levelBox_->currentIndex(), 0);
    const QSignalBlocker block(levelBox_);
    levelBox_->clear();
    for (const LevelRow& row : document_->levels().rows()) {
        levelBox_->addItem(DecodeCp1251(row.key) + QLatin1Char(' ') + DecodeCp1251(row.value));
    }
    levelBox_->setCurrentIndex(std::min(current, levelBox_->count() - 1));
    Select();
}

void PreviewWindow::Select() {
    selection_ = LevelSelection::Select(geometry_, document_->lists(), std::max(levelBox_->currentIndex(), 0));
    canvas_->SetSelection(&selection_);
    ShowStatus();
}

void PreviewWindow::ShowStatus() {
    QString text = tr("Нарисовано объектов: %1, скрыто: %2").arg(selection_.DrawnCount()).arg(selection_.hiddenCount());
    if (geometry_.FindingCount() > 0) {
        text += tr("; не прочитано строк координат: %1 (%2)")
                    .arg(geometry_.FindingCount())
                    .arg(QString::fromStdString(geometry_.findings().front().message));
    }
    if (!selection_.problem().empty()) {
        text += tr("; не нарисовано: ") + QString::fromStdString(selection_.problem());
    }
    status_->setText(text);
    QStringList lines;
    for (const GeometryFinding& finding : geometry_.findings()) lines << QString::fromStdString(finding.message);
    status_->setToolTip(lines.join(QLatin1Char('\n')));
}

}  // namespace stratex
