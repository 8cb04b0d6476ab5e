#include "app/MainForm.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>
#include <algorithm>
#include <exception>
#include <utility>

#include "app/Icons.h"
#include "app/LevelValueDelegate.h"
#include "app/LevelsModel.h"
#include "app/LinesLabel.h"
#include "app/PanelStatusBar.h"
#include "app/PreviewWindow.h"
#include "app/QtText.h"
#include "app/TypeListModel.h"
#include "app/TypeListView.h"
#include "app/VirtualKey.h"
#include "app/WindowProgress.h"
#include "bytes/Error.h"
#include "passes/ProcessSummary.h"

namespace stratex {

namespace {

// "объект", "объекта", "объектов" after count, as Russian counts them.
QString Objects(std::uint64_t count) {
    const std::uint64_t lastTwo = count % 100;
    const std::uint64_t last = count % 10;
    const char* word = (lastTwo >= 11 && lastTwo <= 14) ? "объектов"
                       : last == 1                      ? "объект"
                       : (last >= 2 && last <= 4)       ? "объекта"
                                                        : "объектов";
    return QString::number(count) + QLatin1Char(' ') + QString::fromUtf8(word);
}

}  // namespace

QString ProcessWarningsText(const ProcessWarnings& made, std::size_t levels) {
    QStringList lines;
    if (made.dataAboveEndLevel.count > 0) {
        lines << QStringLiteral("Внимание: %1 с EndLevel ниже уровня своих координат (первый кончается в строке %2)")
                     .arg(Objects(made.dataAboveEndLevel.count))
                     .arg(made.dataAboveEndLevel.firstLine);
    }
    if (made.endLevelAtTop.count > 0) {
        lines << QStringLiteral("Внимание: %1 с EndLevel на верхнем уровне %2 или выше (первый кончается в строке %3)")
                     .arg(Objects(made.endLevelAtTop.count))
                     .arg(levels > 0 ? levels - 1 : 0)
                     .arg(made.endLevelAtTop.firstLine);
    }
    if (made.endsInsideObject.count > 0) {
        lines << QStringLiteral("Внимание: карта кончается внутри объекта, открытого в строке %1")
                     .arg(made.endsInsideObject.firstLine);
    }
    return lines.join(QLatin1Char('\n'));
}

namespace {

constexpr int kClientWidth = 648;
constexpr int kClientHeight = 529;
constexpr int kToolBarHeight = 29;
constexpr int kStatusBarHeight = 19;
constexpr int kFontPixelSize = 11;

const QString kAppTitle = QStringLiteral("Stratex");
const QString kNotAMap = QStringLiteral("Этот файл не Polish MAP!!!");
const QString kReplaceQuestion = QStringLiteral("Файл уже существует! Заменить?");
const QString kReplaceCaption = QStringLiteral("Внимание!");
const QString kCloseQuestion = QStringLiteral("Файл не сохранен. Выйти?");

// The description in Label2: eleven lines, the blanks at their ends included.
const QString kDescription = QStringLiteral(
    "Утилита предназначена для \n"
    "распределения по слоям обектов \n"
    "Polish Map.\n"
    "Каждому типу объктов можно \n"
    "указать видимость до конкретного \n"
    "слоя.\n"
    "Все, что делает программа - это \n"
    "устанавливает объектам карты \n"
    "значение \"EndLevel=\" указанное \n"
    "пользователем, либо формирует\n"
    "раздел [DICTIONARY].");

const QString kCredits = QStringLiteral("Stratex " STRATEX_VERSION ": слои объектов карты\n© Разработчики Stratex");

// The window's font: MS Sans Serif at 11 pixels, or the closest sans font that the system has.
QFont WindowFont() {
    static const char* const kFamilies[] = {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans",
                                            "Arimo",         "Nimbus Sans",          "Arial",
                                            "Helvetica",     "DejaVu Sans"};
    for (const char* family : kFamilies) {
        QFont font{QString::fromLatin1(family)};
        font.setPixelSize(kFontPixelSize);
        // The font database names families with their foundry ("Nimbus Sans [urw]"): compare the start.
        if (QFontInfo(font).family().startsWith(font.family(), Qt::CaseInsensitive)) return font;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(kFontPixelSize);
    return font;
}

struct LevelItem {
    const char* name;
    const char* caption;
};

constexpr LevelItem kLevelItems[] = {
    {"N1212211", "до Level0"}, {"N01", "до Level1"},     {"Level21", "до Level2"}, {"Level31", "до Level3"},
    {"Level41", "до Level4"},  {"Level51", "до Level5"}, {"Level61", "до Level6"}, {"Level62", "до Level7"},
    {"Level81", "до Level8"},  {"Level91", "до Level9"},
};

}  // namespace

// Brackets a change of the document with the reset of the models that show it, and restores the Levels
// table's current row and value editor afterwards.
class TMainForm::ResetScope {
public:
    ResetScope(TMainForm* form, bool lists, bool levels) : form_(form), lists_(lists), levels_(levels) {
        if (levels_) levelRow_ = form_->CurrentLevelRow();
        if (lists_) {
            for (TypeListModel* model : {form_->poiModel_, form_->lineModel_, form_->polyModel_}) model->BeginReset();
        }
        if (levels_) form_->levelsModel_->BeginReset();
    }
    ~ResetScope() {
        if (lists_) {
            for (TypeListModel* model : {form_->poiModel_, form_->lineModel_, form_->polyModel_}) model->EndReset();
        }
        if (levels_) {
            form_->levelsModel_->EndReset();
            form_->ShowLevelValueEditor(std::max(levelRow_, 0));
        }
    }
    ResetScope(const ResetScope&) = delete;
    ResetScope& operator=(const ResetScope&) = delete;

private:
    TMainForm* form_;
    bool lists_;
    bool levels_;
    int levelRow_ = 0;
};

template <typename Body>
void TMainForm::Guarded(Body&& body) {
    // Only the handler that a program-made check box change runs hands its failure on to its caller.
    std::exception_ptr* const handOn = std::exchange(nestedFailure_, nullptr);
    try {
        body();
    } catch (...) {
        nestedFailure_ = handOn;
        UpdateButtons();
        if (handOn) {
            *handOn = std::current_exception();
            return;
        }
        try {
            throw;
        } catch (const std::exception& failure) {
            ShowFailure(failure.what());
        } catch (...) {
            ShowFailure(std::string());
        }
        return;
    }
    nestedFailure_ = handOn;
    UpdateButtons();
}

void TMainForm::SetCheckedByProgram(QCheckBox* box, bool checked) {
    // The box's handler runs inside setChecked; its failure must not unwind through Qt, so it is carried
    // out here and ends the calling handler.
    std::exception_ptr failure;
    nestedFailure_ = &failure;
    box->setChecked(checked);
    nestedFailure_ = nullptr;
    if (failure) std::rethrow_exception(failure);
}

TMainForm::TMainForm(std::unique_ptr<UiPrompts> prompts, QWidget* parent)
    : QWidget(parent),
      prompts_(prompts ? std::move(prompts) : std::make_unique<QtUiPrompts>()),
      // The type name files are read from the folder the program was started in.
      ProgramDir(QDir::toNativeSeparators(QDir::currentPath()) + QDir::separator()),
      doc_(std::make_unique<MapDocument>(ToFsPath(ProgramDir))) {
    // In the order of FileType.
    const QStringList filters = {QStringLiteral("Polish Map (*.mp)"), QStringLiteral("Text Files (*.txt)"),
                                 QStringLiteral("MP levels config (*.cfg)")};
    const QStringList extensions = {QStringLiteral("mp"), QStringLiteral("txt"), QStringLiteral("cfg")};
    OpenDialog.mode = FileDialogState::Mode::Open;
    OpenDialog.filters = filters;
    OpenDialog.extensions = extensions;
    SaveDialog.mode = FileDialogState::Mode::Save;
    SaveDialog.filters = filters;
    SaveDialog.extensions = extensions;

    CreateControls();
    FormCreate();
}

TMainForm::~TMainForm() {
    // The controls show the document through their models, and the base destructor still hides and paints
    // them after the document has gone: detach the views and hide the window while the document lives.
    for (QAbstractItemView* view :
         std::initializer_list<QAbstractItemView*>{LevelsList, POIListView, LINEListView, POLYListView}) {
        if (view) view->setModel(nullptr);
    }
    hide();
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

QString TMainForm::BaseCaption() { return QStringLiteral("Stratex v" STRATEX_VERSION); }

// ---------------------------------------------------------------------------------------------------------
// Building the window

void TMainForm::CreateControls() {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(BaseCaption());
    setWindowIcon(AppIcon());
    // A fixed dialog-style window: a title, a system menu and a close box, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(WindowFont());
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, windowPalette.color(QPalette::Button));
    setPalette(windowPalette);
    setAutoFillBackground(true);
    setAcceptDrops(true);

    CreateToolBar();

    LevelsList = new QTableView(this);
    LevelsList->setObjectName(QStringLiteral("LevelsList"));
    LevelsList->setGeometry(8, 40, 201, 233);
    levelsModel_ = new LevelsModel(&doc_->levels(), this);
    LevelsList->setModel(levelsModel_);
    LevelsList->setItemDelegateForColumn(1, new LevelValueDelegate(LevelsList));
    LevelsList->verticalHeader()->hide();
    LevelsList->verticalHeader()->setDefaultSectionSize(18);
    LevelsList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    LevelsList->horizontalHeader()->setHighlightSections(false);
    LevelsList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LevelsList->horizontalHeader()->setSectionsClickable(false);
    LevelsList->setColumnWidth(0, 94);
    LevelsList->setColumnWidth(1, 101);
    LevelsList->setShowGrid(true);
    LevelsList->setSelectionMode(QAbstractItemView::SingleSelection);
    LevelsList->setSelectionBehavior(QAbstractItemView::SelectItems);
    LevelsList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LevelsList->setToolTip(QStringLiteral("Последний слой должен быть пустым!!!"));
    LevelsList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LevelsList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid()) ShowLevelValueEditor(current.row());
            });
    connect(levelsModel_, &LevelsModel::valueEdited, this, [this](int row, const QString& text) {
        Guarded([&] {
            doc_->SetLevelValue(static_cast<std::size_t>(row), EncodeCp1251(text));
            levelsModel_->ValueChanged(row);
        });
    });

    ShowAllCheck = new QCheckBox(QStringLiteral("Показать все объекты"), this);
    ShowAllCheck->setObjectName(QStringLiteral("ShowAllCheck"));
    ShowAllCheck->setGeometry(10, 274, 143, 23);
    // toggled: a click, and also a change made by the program, runs the handler.
    connect(ShowAllCheck, &QCheckBox::toggled, this, &TMainForm::ShowAllCheckClick);

    DicCheckBox = new QCheckBox(QStringLiteral("Работа с [DICTIONARY]"), this);
    DicCheckBox->setObjectName(QStringLiteral("DicCheckBox"));
    DicCheckBox->setGeometry(10, 292, 151, 17);
    connect(DicCheckBox, &QCheckBox::toggled, this, &TMainForm::DicCheckBoxClick);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 312, 201, 169);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Label2 = new LinesLabel(kDescription, Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 8, 185, 153);

    Label1 = new LinesLabel(kCredits, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 484, 167, 26);
    QPalette grey = Label1->palette();
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    Label1->setPalette(grey);

    GroupBox2 = new QGroupBox(QStringLiteral("Точки"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(216, 32, 425, 153);
    GroupBox1 = new QGroupBox(QStringLiteral("Полилинии"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(216, 192, 425, 153);
    GroupBox3 = new QGroupBox(QStringLiteral("Полигоны"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(215, 352, 425, 153);
    CreateTypeList(GroupBox2, POIListView, poiModel_, ObjectKind::Poi, "POIListView", 55, 70, 260, QSize(16, 16));
    CreateTypeList(GroupBox1, LINEListView, lineModel_, ObjectKind::Polyline, "LINEListView", 55, 70, 260,
                   QSize(30, 15));
    CreateTypeList(GroupBox3, POLYListView, polyModel_, ObjectKind::Polygon, "POLYListView", 65, 90, 230,
                   QSize(50, 20));
    // Only the POI list has the typing shortcut.
    connect(POIListView, &TypeListView::keyDown, this,
            [this](QKeyEvent* event, bool* consumed) { POIListViewKeyDown(POIListView, event, consumed); });

    StatusBar = new PanelStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    // The progress bar is a child of the status bar; StatusBarDrawPanel places it over panel 0.
    ProgressBar = new QProgressBar(StatusBar);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(100);
    ProgressBar->setTextVisible(false);
    StatusBar->drawPanel = [this](int panel, const QRect& rect) { StatusBarDrawPanel(panel, rect); };
    StatusBar->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
    progress_ = std::make_unique<WindowProgress>(StatusBar, ProgressBar);

    CreateMenus();
    CreateShortcuts();
    ShowLevelValueEditor(0);
}

void TMainForm::CreateToolBar() {
    ToolBar1 = new QWidget(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setGeometry(0, 0, kClientWidth, kToolBarHeight);

    const auto makeButton = [this](const char* name, const QString& caption, ToolPicture picture, int x, int width,
                                   void (TMainForm::*handler)()) {
        auto* button = new QToolButton(ToolBar1);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(caption);
        button->setIcon(ToolIcon(picture));
        button->setIconSize(QSize(16, 16));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setGeometry(x, 2, width, 22);
        connect(button, &QToolButton::clicked, this, handler);
        return button;
    };
    OpenSpeedButton = makeButton("OpenSpeedButton", QStringLiteral("Open MAP"), ToolPicture::OpenMap, 0, 89,
                                 &TMainForm::OpenSpeedButtonClick);
    DoSpeedButton = makeButton("DoSpeedButton", QStringLiteral("Process"), ToolPicture::Process, 89, 72,
                               &TMainForm::DoSpeedButtonClick);
    SaveSpeedButton = makeButton("SaveSpeedButton", QStringLiteral("Save MAP"), ToolPicture::SaveMap, 161, 88,
                                 &TMainForm::SaveSpeedButtonClick);
    ToolButton1 = new QFrame(ToolBar1);
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton1->setGeometry(249, 2, 8, 22);
    ToolButton1->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    OpenCFGSpeedButton = makeButton("OpenCFGSpeedButton", QStringLiteral("Open CFG"), ToolPicture::OpenConfig, 257, 89,
                                    &TMainForm::OpenCFGSpeedButtonClick);
    SaveCFGSpeedButton = makeButton("SaveCFGSpeedButton", QStringLiteral("Save CFG"), ToolPicture::SaveConfig, 346, 88,
                                    &TMainForm::SaveCFGSpeedButtonClick);
    SaveDICSpeedButton = makeButton("SaveDICSpeedButton", QStringLiteral("Save DIC"), ToolPicture::SaveDictionary, 434,
                                    88, &TMainForm::SaveDICSpeedButtonClick);
    UpdateButtons();
}

void TMainForm::CreateTypeList(QGroupBox* box, TypeListView*& view, TypeListModel*& model, ObjectKind kind,
                               const char* name, int levelWidth, int codeWidth, int nameWidth, QSize iconSize) {
    view = new TypeListView(box);
    view->setObjectName(QString::fromLatin1(name));
    view->setGeometry(8, 16, 409, 129);
    model = new TypeListModel(kind, &doc_->lists().Of(kind), &doc_->figures(), this);
    view->setModel(model);
    view->setIconSize(iconSize);
    view->verticalHeader()->setDefaultSectionSize(std::max(iconSize.height() + 2, 17));
    view->setColumnWidth(0, levelWidth);
    view->setColumnWidth(1, codeWidth);
    view->setColumnWidth(2, nameWidth);

    TypeListModel* const listModel = model;
    connect(model, &TypeListModel::captionEdited, this, [this, listModel](int row, const QString& text) {
        Guarded([&] {
            doc_->SetLevelText(listModel->kind(), static_cast<std::size_t>(row), EncodeCp1251(text));
            listModel->CaptionsChanged();
        });
    });
    TypeListView* const listView = view;
    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this, listView](int column) { POIListViewColumnClick(listView, column); });
    connect(view, &TypeListView::mouseDown, this,
            [this, listView](QMouseEvent* event) { POIListViewMouseDown(listView, event); });
    connect(view, &TypeListView::listClicked, this, [this, listView]() { POIListViewClick(listView); });
    connect(view, &TypeListView::mouseUp, this,
            [this, listView](QMouseEvent* event) { POIListViewMouseUp(listView, event); });
    connect(view, &QWidget::customContextMenuRequested, this, [this, listView](const QPoint& pos) {
        popupList_ = listView;
        LevelPopupMenu->popup(listView->viewport()->mapToGlobal(pos));
    });
}

void TMainForm::CreateMenus() {
    LevelPopupMenu = new QMenu(this);
    LevelPopupMenu->setObjectName(QStringLiteral("LevelPopupMenu"));
    LevelPopupMenu->setFont(font());
    int tag = 0;
    for (const LevelItem& item : kLevelItems) {
        QAction* action = LevelPopupMenu->addAction(QString::fromUtf8(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setData(tag++);
        connect(action, &QAction::triggered, this, [this, action]() { N1212211Click(action); });
    }

    LevelsPopupMenu = new QMenu(this);
    LevelsPopupMenu->setObjectName(QStringLiteral("LevelsPopupMenu"));
    LevelsPopupMenu->setFont(font());
    QAction* add = LevelsPopupMenu->addAction(QStringLiteral("Добавить слой (после)"));
    add->setObjectName(QStringLiteral("N1"));
    connect(add, &QAction::triggered, this, &TMainForm::N1Click);
    QAction* remove = LevelsPopupMenu->addAction(QStringLiteral("Удалить слой"));
    remove->setObjectName(QStringLiteral("N2"));
    connect(remove, &QAction::triggered, this, &TMainForm::N2Click);
    connect(LevelsList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { LevelsPopupMenu->popup(LevelsList->viewport()->mapToGlobal(pos)); });
}

void TMainForm::CreateShortcuts() {
    // The keys act like their buttons, and only while those are enabled.
    const auto bind = [this](const QKeySequence& keys, QToolButton* button) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, button, [button]() {
            if (button->isEnabled()) button->click();
        });
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_O), OpenSpeedButton);
    bind(QKeySequence(Qt::CTRL | Qt::Key_S), SaveSpeedButton);
    bind(QKeySequence(Qt::Key_F5), DoSpeedButton);

    // The preview has no place in the fixed layout: F6, or the menu of a right click on the window itself.
    auto* preview = new QAction(QStringLiteral("Preview"), this);
    preview->setObjectName(QStringLiteral("PreviewAction"));
    preview->setShortcut(QKeySequence(Qt::Key_F6));
    preview->setShortcutContext(Qt::WindowShortcut);
    connect(preview, &QAction::triggered, this, [this]() { Guarded([this] { ShowPreview(); }); });
    addAction(preview);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TMainForm::ShowPreview() {
    if (!preview_) {
        preview_ = new PreviewWindow(doc_.get(), {poiModel_, lineModel_, polyModel_}, levelsModel_, this);
    }
    preview_->show();
    preview_->raise();
    preview_->activateWindow();
}

// ---------------------------------------------------------------------------------------------------------
// The window's own handlers

void TMainForm::FormCreate() {
    Guarded([this] {
        // A key that can be neither opened nor created: the window starts without settings, silently.
        if (!settings_.Open()) return;
        // Ticking the box runs its handler, which stores the same value back.
        if (settings_.ReadUseDictionary()) SetCheckedByProgram(DicCheckBox, true);
        const QString lastDir = settings_.ReadLastDir();
        OpenDialog.initialDir = lastDir;
        SaveDialog.initialDir = lastDir;
    });
}

void TMainForm::FormShow() {
    // The lists show the document's, which are empty until a map is opened.
    ResetScope reset(this, true, false);
}

bool TMainForm::FormClose() {
    bool close = true;
    Guarded([&] {
        if (doc_->modified()) {
            close = prompts_->AskYesNo(this, kCloseQuestion, QStringLiteral("Confirm"), QMessageBox::Question);
        }
    });
    return close;
}

void TMainForm::StatusBarDrawPanel(int panel, const QRect& rect) {
    if (panel != 0) return;
    const QRect cover = rect.adjusted(-1, -1, 1, 1);
    if (ProgressBar->geometry() != cover) ProgressBar->setGeometry(cover);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (FormClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    FormShow();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile() &&
        QFileInfo(urls.first().toLocalFile()).suffix().compare(QStringLiteral("mp"), Qt::CaseInsensitive) == 0) {
        event->acceptProposedAction();
    }
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    OpenMapArgument(urls.first().toLocalFile());
}

void TMainForm::OpenMapArgument(const QString& argument) {
    const QString path = QDir::toNativeSeparators(QFileInfo(argument).absoluteFilePath());
    Guarded([&] {
        OpenDialog.fileName = path;
        OpenMapPath(path);
    });
}

// ---------------------------------------------------------------------------------------------------------
// Tool-bar buttons

void TMainForm::OpenSpeedButtonClick() {
    Guarded([this] {
        const std::optional<QString> path = AskOpenPath(FileType::PolishMap);
        if (path) OpenMapPath(*path);
    });
}

void TMainForm::OpenMapPath(const QString& path) {
    const QString folder = FolderOf(path);
    // A refused write ends Open MAP before anything else changes.
    settings_.WriteLastDir(folder);
    SaveDialog.initialDir = folder;
    SaveDialog.fileName = path;
    OpenDialog.initialDir = folder;

    const QString captionBefore = windowTitle();
    setWindowTitle(BaseCaption() + QStringLiteral(" (") + path + QStringLiteral(")"));
    // Unticking runs the Show All handler when the box was ticked, before the scan.
    SetCheckedByProgram(ShowAllCheck, false);

    bool isPolishMap = false;
    try {
        ResetScope reset(this, true, true);
        const PreviewWindow::MapChange change(preview_);
        isPolishMap = doc_->OpenMap(ToFsPath(path), progress_.get());
    } catch (...) {
        // A failed open leaves the window showing the map it showed before.
        setWindowTitle(captionBefore);
        throw;
    }
    // The summary of the last Process belongs to the map before.
    StatusBar->setToolTip({});
    // A new map shows its lists from the top, not at the scroll position of the one before.
    for (QAbstractItemView* list :
         {static_cast<QAbstractItemView*>(POIListView), static_cast<QAbstractItemView*>(LINEListView),
          static_cast<QAbstractItemView*>(POLYListView)}) {
        list->scrollToTop();
    }
    // The buttons follow when the handler ends, after the message as after a scan that found a map.
    if (!isPolishMap) prompts_->ShowMessage(this, kNotAMap, QStringLiteral("Error"), QMessageBox::Critical);
}

void TMainForm::DoSpeedButtonClick() {
    Guarded([this] {
        ProcessSummary summary;
        {
            const PreviewWindow::MapChange change(preview_);
            doc_->Process(progress_.get(), &summary);
        }
        const QString warnings = ProcessWarningsText(doc_->processWarnings(), doc_->levels().size());
        const QString done = QString::fromStdString(summary.ToText()).trimmed();
        StatusBar->setToolTip(warnings.isEmpty() ? done : warnings + QStringLiteral("\n\n") + done);
    });
}

void TMainForm::SaveSpeedButtonClick() {
    Guarded([this] {
        if (const std::optional<QString> path = AskSavePath(FileType::PolishMap)) doc_->SaveMap(ToFsPath(*path));
    });
}

void TMainForm::OpenCFGSpeedButtonClick() {
    Guarded([this] {
        const std::optional<QString> path = AskOpenPath(FileType::LevelConfig);
        if (!path) return;
        doc_->OpenConfig(ToFsPath(*path));
        for (TypeListModel* model : {poiModel_, lineModel_, polyModel_}) model->CaptionsChanged();
    });
}

void TMainForm::SaveCFGSpeedButtonClick() {
    Guarded([this] {
        if (const std::optional<QString> path = AskSavePath(FileType::LevelConfig)) doc_->SaveConfig(ToFsPath(*path));
    });
}

void TMainForm::SaveDICSpeedButtonClick() {
    Guarded([this] {
        if (const std::optional<QString> path = AskSavePath(FileType::TextFile)) doc_->SaveDictionary(ToFsPath(*path));
    });
}

std::optional<QString> TMainForm::AskOpenPath(FileType fileType) {
    OpenDialog.filterIndex = static_cast<int>(fileType);
    OpenDialog.fileName = CutBeforeFirstDot(OpenDialog.fileName);
    std::optional<QString> path = prompts_->RunFileDialog(this, OpenDialog);
    if (path) OpenDialog.fileName = *path;
    return path;
}

std::optional<QString> TMainForm::AskSavePath(FileType fileType) {
    SaveDialog.filterIndex = static_cast<int>(fileType);
    SaveDialog.fileName = CutBeforeFirstDot(SaveDialog.fileName);
    std::optional<QString> path = prompts_->RunFileDialog(this, SaveDialog);
    if (!path) return std::nullopt;
    // A name typed without an extension takes the extension of the file type selected in the dialog.
    if (!QFileInfo(*path).fileName().contains(QLatin1Char('.'))) {
        *path += QLatin1Char('.') + SaveDialog.SelectedExtension();
    }
    SaveDialog.fileName = *path;
    if (QFileInfo::exists(*path) &&
        !prompts_->AskYesNo(this, kReplaceQuestion, kReplaceCaption, QMessageBox::Warning)) {
        return std::nullopt;
    }
    return path;
}

// ---------------------------------------------------------------------------------------------------------
// Check boxes

void TMainForm::ShowAllCheckClick(bool checked) {
    Guarded([&] {
        ResetScope reset(this, true, false);
        doc_->SetShowAll(checked);
    });
}

void TMainForm::DicCheckBoxClick(bool checked) {
    Guarded([&] {
        // The option follows the box even when the store refuses to keep it.
        doc_->SetUseDictionary(checked);
        settings_.WriteUseDictionary(checked);
    });
}

// ---------------------------------------------------------------------------------------------------------
// Type lists

void TMainForm::POIListViewColumnClick(TypeListView* view, int column) {
    Guarded([&] {
        TypeListModel* model = ModelOf(view);
        model->BeginReset();
        try {
            doc_->SortList(model->kind(), column);
        } catch (...) {
            model->EndReset();
            throw;
        }
        model->EndReset();
    });
}

bool TMainForm::POIListViewEditing(TypeListView*, int) {
    // Any caption may be edited; the text is checked only when Process or Save DIC reads it.
    return true;
}

void TMainForm::POIListViewMouseDown(TypeListView* view, QMouseEvent* event) {
    if (event->position().x() < view->columnWidth(0)) MouseDownInList = true;
}

void TMainForm::POIListViewMouseUp(TypeListView*, QMouseEvent*) { MouseDownInList = false; }

void TMainForm::POIListViewClick(TypeListView* view) {
    Guarded([&] {
        if (!MouseDownInList) return;
        const std::vector<std::size_t> rows = SelectedRows(view);
        if (rows.empty()) return;
        const int row = static_cast<int>(rows.front());
        if (POIListViewEditing(view, row)) view->edit(ModelOf(view)->index(row, 0));
    });
}

void TMainForm::POIListViewKeyDown(TypeListView* view, QKeyEvent* event, bool* consumed) {
    Guarded([&] {
        const int key = VirtualKeyOf(*event);
        if (key < 48 || view->IsEditing()) return;
        const std::vector<std::size_t> rows = SelectedRows(view);
        if (rows.empty()) return;
        TypeListModel* model = ModelOf(view);
        // The key's code as a character becomes the caption, and the editor opens on it.
        doc_->SetLevelText(model->kind(), rows.front(), std::string(1, static_cast<char>(key)));
        model->CaptionsChanged();
        const int row = static_cast<int>(rows.front());
        if (POIListViewEditing(view, row)) view->edit(model->index(row, 0));
        *consumed = true;
    });
}

void TMainForm::N1212211Click(QAction* item) {
    Guarded([&] {
        const int level = item->data().toInt();
        // The list with the input focus, tested in this order; else the list whose popup this was.
        TypeListView* target = nullptr;
        for (TypeListView* view : {POIListView, LINEListView, POLYListView}) {
            if (view->hasFocus() || focusWidget() == view) {
                target = view;
                break;
            }
        }
        if (!target) target = popupList_;
        if (!target) return;
        TypeListModel* model = ModelOf(target);
        doc_->SetLevelOfRows(model->kind(), SelectedRows(target), level);
        model->CaptionsChanged();
    });
}

// ---------------------------------------------------------------------------------------------------------
// Levels table

void TMainForm::N1Click() {
    Guarded([this] {
        const int row = CurrentLevelRow();
        ResetScope reset(this, false, true);
        doc_->AddLevelAfter(row >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(row)) : std::nullopt);
    });
}

void TMainForm::N2Click() {
    Guarded([this] {
        const int row = CurrentLevelRow();
        ResetScope reset(this, false, true);
        doc_->RemoveLevel(row >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(row)) : std::nullopt);
    });
}

int TMainForm::CurrentLevelRow() const {
    const QModelIndex current = LevelsList->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TMainForm::ShowLevelValueEditor(int row) {
    // The value cell of the selected row always shows its editor; the other rows show their text.
    const int rows = levelsModel_->rowCount();
    for (int r = 0; r < rows; ++r) {
        const QModelIndex cell = levelsModel_->index(r, 1);
        if (r != row && LevelsList->isPersistentEditorOpen(cell)) LevelsList->closePersistentEditor(cell);
    }
    if (row < 0 || rows == 0) return;
    row = std::min(row, rows - 1);
    const QModelIndex cell = levelsModel_->index(row, 1);
    if (LevelsList->currentIndex().row() != row) LevelsList->setCurrentIndex(cell);
    if (!LevelsList->isPersistentEditorOpen(cell)) LevelsList->openPersistentEditor(cell);
}

// ---------------------------------------------------------------------------------------------------------
// Helpers

void TMainForm::ShowFailure(const std::string& message) {
    prompts_->ShowMessage(this, QString::fromStdString(WithFullStop(message)), kAppTitle, QMessageBox::Critical);
}

void TMainForm::UpdateButtons() {
    const ButtonStates& buttons = doc_->buttons();
    OpenSpeedButton->setEnabled(true);
    DoSpeedButton->setEnabled(buttons.process);
    SaveSpeedButton->setEnabled(buttons.saveMap);
    OpenCFGSpeedButton->setEnabled(buttons.openCfg);
    SaveCFGSpeedButton->setEnabled(buttons.saveCfg);
    SaveDICSpeedButton->setEnabled(buttons.saveDic);
}

TypeListModel* TMainForm::ModelOf(const TypeListView* view) const {
    if (view == LINEListView) return lineModel_;
    if (view == POLYListView) return polyModel_;
    return poiModel_;
}

std::vector<std::size_t> TMainForm::SelectedRows(const TypeListView* view) const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace stratex
