#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <iterator>
#include <numeric>
#include <set>
#include <utility>

#include "app/AsideWork.h"
#include "app/Icons.h"
#include "app/Language.h"
#include "app/LevelValueDelegate.h"
#include "app/LevelsModel.h"
#include "app/PanelStatusBar.h"
#include "app/PreviewWindow.h"
#include "app/QtText.h"
#include "app/TypeListModel.h"
#include "app/TypeListView.h"
#include "app/VirtualKey.h"
#include "app/WindowPlacement.h"
#include "app/WindowProgress.h"
#include "app/WindowTexts.h"
#include "bytes/Error.h"
#include "levels/ZoomTable.h"
#include "passes/ProcessSummary.h"

namespace stratex {

namespace {

// The window's default and smallest size. Its layout: the tool bar and the status bar across it, between
// them the left column (Levels table, check boxes, description, credits) and the column of the three Type
// lists' boxes, which share the width the window has beyond its edges in the proportion of their default
// widths; a column whose texts need more takes it from the other.
constexpr int kClientWidth = 648;
constexpr int kClientHeight = 529;
constexpr int kToolBarHeight = 29;
constexpr int kStatusBarHeight = 19;
constexpr int kFontPixelSize = 11;
constexpr int kLeftColumnWidth = 201;
constexpr int kBoxColumnWidth = 425;
// A Type list inside its box: the box's margins, and the list's width at the window's default size.
constexpr int kBoxMargin = 8;
constexpr int kTypeListWidth = kBoxColumnWidth - 2 * kBoxMargin;

const QString kAppTitle = QStringLiteral("Stratex");

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

// The level popup's items, "до Level0" to "до Level9" in this order.
constexpr const char* kLevelItemNames[] = {"N1212211", "N01",     "Level21", "Level31", "Level41",
                                           "Level51",  "Level61", "Level62", "Level81", "Level91"};

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

template <typename Change>
void TMainForm::ChangeChoices(Change&& change) {
    // Before a Process of this map, or once marked, there is nothing to mark.
    const bool mark = lastProcess_ && !changedSinceProcess_;
    if (!mark && levelsUnsaved_) {
        change();
        return;
    }
    const Choices before = CurrentChoices();
    change();
    const Choices after = CurrentChoices();
    if (after.captions != before.captions || after.levels != before.levels) levelsUnsaved_ = true;
    if (!mark || after == before) return;
    changedSinceProcess_ = true;
    ShowChangeMark();
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
    // In the order of FileType; the filters' texts are given with the others.
    const QStringList extensions = {QStringLiteral("mp"), QStringLiteral("txt"), QStringLiteral("cfg")};
    OpenDialog.mode = FileDialogState::Mode::Open;
    OpenDialog.extensions = extensions;
    SaveDialog.mode = FileDialogState::Mode::Save;
    SaveDialog.extensions = extensions;

    // A key that can be neither opened nor created: the window starts without settings, silently. The key
    // is opened before the controls are made, in the language it may name.
    settings_.Open();
    ChooseLanguage();
    CreateControls();
    CreateCancelButton();
    SetUpKeyboard();
    RetranslateUi();
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

void TMainForm::ChooseLanguage() {
    languageSetting_ = settings_.ReadLanguage();
    UseLanguage(LanguageOfCode(languageSetting_).value_or(LanguageOfLocale(QLocale())));
}

void TMainForm::CreateControls() {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(BaseCaption());
    setWindowIcon(AppIcon());
    // The layout's size is the default and the smallest; beyond it the lists take the room.
    setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    setFont(WindowFont());
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, windowPalette.color(QPalette::Button));
    setPalette(windowPalette);
    setAutoFillBackground(true);
    setAcceptDrops(true);

    CreateToolBar();

    LevelsList = new QTableView(this);
    LevelsList->setObjectName(QStringLiteral("LevelsList"));
    levelsModel_ = new LevelsModel(&doc_->levels(), this);
    LevelsList->setModel(levelsModel_);
    LevelsList->setItemDelegateForColumn(1, new LevelValueDelegate(LevelsList));
    LevelsList->verticalHeader()->hide();
    LevelsList->verticalHeader()->setDefaultSectionSize(18);
    LevelsList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    LevelsList->horizontalHeader()->setHighlightSections(false);
    LevelsList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LevelsList->horizontalHeader()->setSectionsClickable(false);
    // The values take what the keys leave of the table's width (FitLevelColumns).
    LevelsList->horizontalHeader()->setStretchLastSection(true);
    LevelsList->setShowGrid(true);
    LevelsList->setSelectionMode(QAbstractItemView::SingleSelection);
    LevelsList->setSelectionBehavior(QAbstractItemView::SelectItems);
    LevelsList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LevelsList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LevelsList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid()) ShowLevelValueEditor(current.row());
            });
    connect(levelsModel_, &LevelsModel::valueEdited, this, [this](int row, const QString& text) {
        Guarded([&] {
            ChangeChoices([&] { doc_->SetLevelValue(static_cast<std::size_t>(row), EncodeCp1251(text)); });
            levelsModel_->ValueChanged(row);
        });
    });
    connect(levelsModel_, &QAbstractItemModel::modelReset, this, &TMainForm::FitLevelColumns);
    connect(levelsModel_, &QAbstractItemModel::dataChanged, this, &TMainForm::FitLevelColumns);

    ShowAllCheck = new QCheckBox(this);
    ShowAllCheck->setObjectName(QStringLiteral("ShowAllCheck"));
    // toggled: a click, and also a change made by the program, runs the handler.
    connect(ShowAllCheck, &QCheckBox::toggled, this, &TMainForm::ShowAllCheckClick);

    DicCheckBox = new QCheckBox(this);
    DicCheckBox->setObjectName(QStringLiteral("DicCheckBox"));
    connect(DicCheckBox, &QCheckBox::toggled, this, &TMainForm::DicCheckBoxClick);

    // The description wraps at whole words to the column's width; the panel is as tall as its text needs.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Label2 = new QLabel(Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(kBoxMargin, kBoxMargin, kBoxMargin, kBoxMargin);
    panelLayout->addWidget(Label2);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    QPalette grey = Label1->palette();
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    Label1->setPalette(grey);

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox3 = new QGroupBox(this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
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
    StatusBar->setFixedHeight(kStatusBarHeight);
    // The progress bar is a child of the status bar; StatusBarDrawPanel places it over panel 0.
    ProgressBar = new QProgressBar(StatusBar);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(100);
    ProgressBar->setTextVisible(false);
    StatusBar->drawPanel = [this](int panel, const QRect& rect) { StatusBarDrawPanel(panel, rect); };
    progress_ = std::make_unique<WindowProgress>(StatusBar, ProgressBar);

    CreateLayout();
    CreateMenus();
    CreateShortcuts();
    ShowLevelValueEditor(0);
}

void TMainForm::CreateLayout() {
    // The columns' widths follow their stretch alone, not what their widgets would like: the widgets whose
    // texts must show whole (the check boxes, the credits, the Levels table's minimum) hold a column wider.
    for (QWidget* widget :
         {static_cast<QWidget*>(LevelsList), static_cast<QWidget*>(Panel1), static_cast<QWidget*>(GroupBox2),
          static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(GroupBox3)}) {
        widget->setSizePolicy(QSizePolicy::Ignored, widget->sizePolicy().verticalPolicy());
    }

    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->setContentsMargins(0, kBoxMargin, 0, 0);
    left->addWidget(LevelsList, 1);
    left->addSpacing(1);
    left->addWidget(ShowAllCheck);
    left->addWidget(DicCheckBox);
    left->addSpacing(3);
    left->addWidget(Panel1);
    left->addSpacing(3);
    left->addWidget(Label1);

    // The three lists share the column's height equally.
    auto* boxes = new QVBoxLayout;
    boxes->setSpacing(7);
    boxes->setContentsMargins(0, 0, 0, 5);
    for (QGroupBox* box : {GroupBox2, GroupBox1, GroupBox3}) boxes->addWidget(box, 1);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(7);
    columns->setContentsMargins(8, 3, 7, 0);
    columns->addLayout(left, kLeftColumnWidth);
    columns->addLayout(boxes, kBoxColumnWidth);

    auto* window = new QVBoxLayout(this);
    window->setSpacing(0);
    window->setContentsMargins(0, 0, 0, 0);
    window->addWidget(ToolBar1);
    window->addLayout(columns, 1);
    window->addWidget(StatusBar);
}

void TMainForm::FitLevelColumns() {
    // The keys' column as wide as its title and keys; the values' column takes the rest, and the table is
    // never narrower than the widest value it holds or its pick list offers, shown in the pick list's box.
    QHeaderView* header = LevelsList->horizontalHeader();
    const QFontMetrics metrics(LevelsList->font());
    // A cell gives up one pixel to the grid line.
    int keys = header->sectionSizeHint(0);
    QStyleOptionViewItem option;
    option.initFrom(LevelsList);
    for (int row = 0; row < levelsModel_->rowCount(); ++row) {
        const QModelIndex key = levelsModel_->index(row, 0);
        keys = std::max(keys, LevelsList->itemDelegateForIndex(key)->sizeHint(option, key).width() + 1);
    }
    int widest = 0;
    for (const std::string& choice : LevelPickList()) {
        widest = std::max(widest, metrics.horizontalAdvance(WindowTexts::LevelValue(choice)));
    }
    for (const LevelRow& row : doc_->levels().rows()) {
        widest = std::max(widest, metrics.horizontalAdvance(WindowTexts::LevelValue(row.value)));
    }
    QStyleOptionComboBox box;
    box.initFrom(LevelsList);
    const int values =
        std::max(header->sectionSizeHint(1),
                 LevelsList->style()
                     ->sizeFromContents(QStyle::CT_ComboBox, &box, QSize(widest, metrics.height()), LevelsList)
                     .width());
    if (LevelsList->columnWidth(0) != keys) LevelsList->setColumnWidth(0, keys);
    LevelsList->setMinimumWidth(keys + values + 2 * LevelsList->frameWidth());
}

void TMainForm::UseTypeNames() {
    const QString folder = TypeNamesFolder(CurrentLanguage(), ProgramDir);
    if (ToFsPath(folder) == doc_->programDir()) return;
    Guarded([&] {
        ResetScope reset(this, true, false);
        doc_->UseNamesDir(ToFsPath(folder));
    });
}

void TMainForm::CreateToolBar() {
    ToolBar1 = new QWidget(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(kToolBarHeight);
    auto* row = new QHBoxLayout(ToolBar1);
    row->setContentsMargins(0, 2, 0, 5);
    row->setSpacing(0);

    // Each button at least as wide as the layout's, wider where its caption needs it.
    const auto makeButton = [this, row](const char* name, ToolPicture picture, int width,
                                        void (TMainForm::*handler)()) {
        auto* button = new QToolButton(ToolBar1);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(ToolIcon(picture));
        button->setIconSize(QSize(16, 16));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setMinimumWidth(width);
        button->setFixedHeight(22);
        connect(button, &QToolButton::clicked, this, handler);
        row->addWidget(button);
        return button;
    };
    OpenSpeedButton = makeButton("OpenSpeedButton", ToolPicture::OpenMap, 89, &TMainForm::OpenSpeedButtonClick);
    DoSpeedButton = makeButton("DoSpeedButton", ToolPicture::Process, 72, &TMainForm::DoSpeedButtonClick);
    SaveSpeedButton = makeButton("SaveSpeedButton", ToolPicture::SaveMap, 88, &TMainForm::SaveSpeedButtonClick);
    ToolButton1 = new QFrame(ToolBar1);
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton1->setFixedSize(8, 22);
    ToolButton1->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    row->addWidget(ToolButton1);
    OpenCFGSpeedButton =
        makeButton("OpenCFGSpeedButton", ToolPicture::OpenConfig, 89, &TMainForm::OpenCFGSpeedButtonClick);
    SaveCFGSpeedButton =
        makeButton("SaveCFGSpeedButton", ToolPicture::SaveConfig, 88, &TMainForm::SaveCFGSpeedButtonClick);
    SaveDICSpeedButton =
        makeButton("SaveDICSpeedButton", ToolPicture::SaveDictionary, 88, &TMainForm::SaveDICSpeedButtonClick);
    auto* separator = new QFrame(ToolBar1);
    separator->setFixedSize(8, 22);
    separator->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    row->addWidget(separator);
    // Pictures only, their captions in their tooltips: the window's smallest width has no room for more.
    AdviseSpeedButton = makeButton("AdviseSpeedButton", ToolPicture::Advise, 24, &TMainForm::AdviseSpeedButtonClick);
    ApplyAdviceSpeedButton =
        makeButton("ApplyAdviceSpeedButton", ToolPicture::ApplyAdvice, 24, &TMainForm::ApplyAdviceSpeedButtonClick);
    for (QToolButton* button : {AdviseSpeedButton, ApplyAdviceSpeedButton}) {
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    row->addStretch(1);
    UpdateButtons();
}

void TMainForm::CreateTypeList(QGroupBox* box, TypeListView*& view, TypeListModel*& model, ObjectKind kind,
                               const char* name, int levelWidth, int codeWidth, int nameWidth, QSize iconSize) {
    view = new TypeListView(box);
    view->setObjectName(QString::fromLatin1(name));
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(kBoxMargin, 0, kBoxMargin, kBoxMargin);
    boxLayout->addWidget(view);
    model = new TypeListModel(kind, doc_.get(), this);
    view->setModel(model);
    view->setIconSize(iconSize);
    view->verticalHeader()->setDefaultSectionSize(std::max(iconSize.height() + 2, 17));
    view->SetDefaultColumns(kTypeListWidth, levelWidth, codeWidth, nameWidth);

    TypeListModel* const listModel = model;
    TypeListView* const listView = view;
    // New rows may hold longer codes than the column shows.
    connect(model, &QAbstractItemModel::modelReset, view, [listView]() { listView->FitColumns(); });
    connect(model, &TypeListModel::captionEdited, this, [this, listModel](int row, const QString& text) {
        Guarded([&] {
            ChangeChoices(
                [&] { doc_->SetLevelText(listModel->kind(), static_cast<std::size_t>(row), EncodeCp1251(text)); });
            listModel->CaptionsChanged();
        });
    });
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
    for (const char* name : kLevelItemNames) {
        QAction* action = LevelPopupMenu->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        action->setData(tag++);
        connect(action, &QAction::triggered, this, [this, action]() { N1212211Click(action); });
    }
    LevelPopupMenu->addSeparator();
    AdviseAction = LevelPopupMenu->addAction(QString());
    AdviseAction->setObjectName(QStringLiteral("AdviseAction"));
    connect(AdviseAction, &QAction::triggered, this, &TMainForm::AdviseSpeedButtonClick);
    ApplyAdviceAction = LevelPopupMenu->addAction(QString());
    ApplyAdviceAction->setObjectName(QStringLiteral("ApplyAdviceAction"));
    connect(ApplyAdviceAction, &QAction::triggered, this, &TMainForm::ApplyAdviceSpeedButtonClick);

    LevelsPopupMenu = new QMenu(this);
    LevelsPopupMenu->setObjectName(QStringLiteral("LevelsPopupMenu"));
    LevelsPopupMenu->setFont(font());
    QAction* add = LevelsPopupMenu->addAction(QString());
    add->setObjectName(QStringLiteral("N1"));
    connect(add, &QAction::triggered, this, &TMainForm::N1Click);
    QAction* remove = LevelsPopupMenu->addAction(QString());
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

    // The preview and the language have no place in the layout: the menu of a right click on the window
    // itself, and F6 for the preview.
    PreviewAction = new QAction(this);
    PreviewAction->setObjectName(QStringLiteral("PreviewAction"));
    PreviewAction->setShortcut(QKeySequence(Qt::Key_F6));
    PreviewAction->setShortcutContext(Qt::WindowShortcut);
    connect(PreviewAction, &QAction::triggered, this, [this]() { Guarded([this] { ShowPreview(); }); });
    addAction(PreviewAction);

    LanguageMenu = new QMenu(this);
    LanguageMenu->setObjectName(QStringLiteral("LanguageMenu"));
    LanguageMenu->setFont(font());
    auto* choices = new QActionGroup(LanguageMenu);
    // The system's choice first, then each language named in itself.
    for (const char* code : {"", "ru", "en"}) {
        QAction* action = LanguageMenu->addAction(QString());
        action->setObjectName(QStringLiteral("Language_") + QLatin1String(*code ? code : "system"));
        action->setData(QString::fromLatin1(code));
        action->setCheckable(true);
        action->setChecked(languageSetting_ == QLatin1String(code));
        choices->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, action]() { ChooseLanguageClick(action->data().toString()); });
    }
    LanguageAction = new QAction(this);
    LanguageAction->setObjectName(QStringLiteral("LanguageAction"));
    LanguageAction->setMenu(LanguageMenu);
    addAction(LanguageAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TMainForm::RetranslateUi() {
    // The language may change while the window is being made, before there is anything to say.
    if (!StatusBar) return;
    const QStringList filters = {tr("Polish Map (*.mp)"), tr("Text Files (*.txt)"), tr("MP levels config (*.cfg)")};
    OpenDialog.filters = filters;
    SaveDialog.filters = filters;

    OpenSpeedButton->setText(tr("Open MAP"));
    DoSpeedButton->setText(tr("Process"));
    SaveSpeedButton->setText(tr("Save MAP"));
    OpenCFGSpeedButton->setText(tr("Open CFG"));
    SaveCFGSpeedButton->setText(tr("Save CFG"));
    SaveDICSpeedButton->setText(tr("Save DIC"));
    AdviseSpeedButton->setText(tr("Совет"));
    AdviseSpeedButton->setToolTip(tr("Совет: предложить каждому типу уровень по размерам его объектов"));
    ApplyAdviceSpeedButton->setText(tr("Принять"));
    ApplyAdviceSpeedButton->setToolTip(tr("Принять: дать выделенным типам (или всем) предложенные уровни"));
    AdviseAction->setText(tr("Совет по уровням"));
    ApplyAdviceAction->setText(tr("Принять совет"));

    LevelsList->setToolTip(tr("Последний слой должен быть пустым!!!"));
    levelsModel_->TextsChanged();
    ShowAllCheck->setText(tr("Показать все объекты"));
    DicCheckBox->setText(tr("Работа с [DICTIONARY]"));
    // The description: three paragraphs, wrapped by the label.
    Label2->setText(
        tr("Утилита предназначена для распределения по слоям обектов Polish Map.\n"
           "Каждому типу объктов можно указать видимость до конкретного слоя.\n"
           "Все, что делает программа - это устанавливает объектам карты значение \"EndLevel=\" указанное "
           "пользователем, либо формирует раздел [DICTIONARY]."));
    Label1->setText(tr("Stratex %1: слои объектов карты\n© Разработчики Stratex").arg(QStringLiteral(STRATEX_VERSION)));

    GroupBox2->setTitle(tr("Точки"));
    GroupBox1->setTitle(tr("Полилинии"));
    GroupBox3->setTitle(tr("Полигоны"));
    for (TypeListModel* model : {poiModel_, lineModel_, polyModel_}) model->TextsChanged();

    const QList<QAction*> levelItems = LevelPopupMenu->actions();
    for (int level = 0; level < static_cast<int>(std::size(kLevelItemNames)); ++level) {
        levelItems[level]->setText(tr("до Level%1").arg(level));
    }
    LevelsPopupMenu->actions()[0]->setText(tr("Добавить слой (после)"));
    LevelsPopupMenu->actions()[1]->setText(tr("Удалить слой"));
    PreviewAction->setText(tr("Просмотр"));
    LanguageAction->setText(tr("Язык"));
    const QList<QAction*> languages = LanguageMenu->actions();
    languages[0]->setText(tr("Как в системе"));
    // Each language is named in itself, whatever the window speaks.
    languages[1]->setText(QStringLiteral("Русский"));
    languages[2]->setText(QStringLiteral("English"));

    progress_->Retranslate();
    if (changedSinceProcess_) ShowChangeMark();
    ShowProcessTip();
    {
        // The value cells and the open pick list speak the language too.
        ResetScope reset(this, false, true);
    }
    UseTypeNames();
}

void TMainForm::ShowPreview() {
    if (!preview_) {
        preview_ = new PreviewWindow(doc_.get(), {poiModel_, lineModel_, polyModel_}, levelsModel_, this);
        // Beside the main window where the screen has room, so that neither hides the other. The frame's
        // edges are not known before it is shown: the main window's serve as their measure.
        if (const QScreen* screen = this->screen()) {
            const QSize edges = frameGeometry().size() - size();
            if (const std::optional<QPoint> place =
                    PlaceBeside(frameGeometry(), preview_->size() + edges, screen->availableGeometry())) {
                preview_->move(*place);
            }
        }
    }
    preview_->show();
    preview_->raise();
    preview_->activateWindow();
}

// ---------------------------------------------------------------------------------------------------------
// The window's own handlers

void TMainForm::FormCreate() {
    Guarded([this] {
        if (!settings_.isOpen()) return;
        // Ticking the box runs its handler, which stores the same value back.
        if (settings_.ReadUseDictionary()) SetCheckedByProgram(DicCheckBox, true);
        const QString lastDir = settings_.ReadLastDir();
        OpenDialog.initialDir = lastDir;
        SaveDialog.initialDir = lastDir;
        if (const std::optional<QRect> bounds = settings_.ReadWindowBounds()) PlaceWindow(*bounds);
    });
}

void TMainForm::PlaceWindow(const QRect& bounds) {
    QList<QRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) screens << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) screens << screen->availableGeometry();
    }
    const QRect place = PlaceOnScreens(bounds, minimumSize(), screens);
    resize(place.size());
    move(place.topLeft());
    placed_ = true;
}

void TMainForm::SaveWindowPlace() {
    // A maximised window keeps the place it had before; and the place is a convenience: a store that
    // refuses it is worth no message while the window closes.
    if (!settings_.isOpen() || isMaximized() || isMinimized() || isFullScreen()) return;
    try {
        settings_.WriteWindowBounds(QRect(pos(), size()));
    } catch (const Error&) {
    }
}

void TMainForm::FormShow() {
    // The lists show the document's, which are empty until a map is opened.
    ResetScope reset(this, true, false);
}

bool TMainForm::FormClose() {
    bool close = false;
    Guarded([&] {
        if (doc_->modified() &&
            !prompts_->AskYesNo(this, tr("Файл не сохранен. Выйти?"), tr("Подтверждение"), QMessageBox::Question)) {
            return;
        }
        close = SaveFirst(true);
    });
    return close;
}

void TMainForm::StatusBarDrawPanel(int panel, const QRect& rect) {
    if (panel != 0) return;
    const QRect cover = rect.adjusted(-1, -1, 1, 1);
    if (ProgressBar->geometry() != cover) ProgressBar->setGeometry(cover);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Process and Save MAP end within moments; the window closes after them.
    if (aside_->running()) {
        event->ignore();
        return;
    }
    if (FormClose()) {
        SaveWindowPlace();
        event->accept();
    } else {
        event->ignore();
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    if (const QScreen* screen = this->screen(); screen && !placed_) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    FormShow();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The tooltip holds as many lines as the window's height.
    ShowProcessTip();
}

void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    RetranslateUi();
    // The Preview window says its texts when it is made: a new one takes the place of one on screen, and a
    // hidden one is made anew when it is asked for.
    if (preview_) {
        const bool shown = preview_->isVisible();
        const QRect place = preview_->QWidget::geometry();
        preview_->hide();
        // Later: the language change is still being handed to the windows, this one among them.
        preview_->deleteLater();
        preview_ = nullptr;
        if (shown) {
            preview_ = new PreviewWindow(doc_.get(), {poiModel_, lineModel_, polyModel_}, levelsModel_, this);
            preview_->setGeometry(place);
            preview_->show();
        }
    }
}

void TMainForm::ChooseLanguageClick(const QString& code) {
    Guarded([&] {
        languageSetting_ = code;
        // The window speaks the chosen language even when the store refuses to keep it.
        UseLanguage(LanguageOfCode(code).value_or(LanguageOfLocale(QLocale())));
        settings_.WriteLanguage(code);
    });
}

namespace {

// The maps dropped: every URL a local .mp file, or none.
QStringList DroppedMaps(const QMimeData* data) {
    QStringList maps;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile() ||
            QFileInfo(url.toLocalFile()).suffix().compare(QStringLiteral("mp"), Qt::CaseInsensitive) != 0) {
            return {};
        }
        maps << QDir::toNativeSeparators(QFileInfo(url.toLocalFile()).absoluteFilePath());
    }
    return maps;
}

}  // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!aside_->running() && !DroppedMaps(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QStringList maps = DroppedMaps(event->mimeData());
    if (maps.isEmpty()) return;
    event->acceptProposedAction();
    Guarded([&] { OpenMaps(maps); });
}

void TMainForm::OpenMapArguments(const QStringList& arguments) {
    QStringList paths;
    for (const QString& argument : arguments) {
        paths << QDir::toNativeSeparators(QFileInfo(argument).absoluteFilePath());
    }
    if (paths.isEmpty()) return;
    Guarded([&] { OpenMaps(paths); });
}

// ---------------------------------------------------------------------------------------------------------
// Tool-bar buttons

void TMainForm::OpenSpeedButtonClick() {
    Guarded([this] {
        OpenDialog.multiple = true;
        const std::optional<QString> path = AskOpenPath(FileType::PolishMap);
        OpenDialog.multiple = false;
        if (!path) return;
        OpenMaps(OpenDialog.chosen.size() > 1 ? OpenDialog.chosen : QStringList{*path});
    });
}

void TMainForm::OpenMaps(const QStringList& paths) {
    if (!SaveFirst()) return;
    if (paths.size() > 1) return OpenMapSet(paths);
    OpenDialog.fileName = paths.first();
    OpenMapPath(paths.first());
}

bool TMainForm::SaveFirst(bool closing) {
    const bool map = !closing && doc_->modified();
    if (!map && !levelsUnsaved_) return true;
    const QString text = map ? tr("Обработанная карта не сохранена. Сохранить её?")
                             : tr("Уровни объектов изменены и не сохранены. Сохранить их в файл уровней?");
    switch (prompts_->AskYesNoCancel(this, text, tr("Несохранённые изменения"), QMessageBox::Question)) {
        case UiPrompts::Answer::Yes:
            return map ? SaveMapAsked() : SaveConfigAsked();
        case UiPrompts::Answer::No:
            return true;
        case UiPrompts::Answer::Cancel:
            break;
    }
    return false;
}

void TMainForm::OpenMapSet(const QStringList& paths) {
    const QString folder = FolderOf(paths.first());
    settings_.WriteLastDir(folder);
    SaveDialog.initialDir = folder;
    SaveDialog.fileName = paths.first();
    OpenDialog.initialDir = folder;

    const QString captionBefore = windowTitle();
    SetCheckedByProgram(ShowAllCheck, false);
    std::vector<std::filesystem::path> files;
    for (const QString& path : paths) files.push_back(ToFsPath(path));
    std::vector<std::filesystem::path> notMaps;
    {
        ResetScope reset(this, true, true);
        const PreviewWindow::MapChange change(preview_);
        notMaps = doc_->OpenMapSet(files, progress_.get());
    }
    if (!doc_->tiles().empty()) {
        setWindowTitle(BaseCaption() + QStringLiteral(" (") +
                       tr("%1 и ещё %2").arg(ToQString(doc_->tiles().front().path)).arg(doc_->tiles().size() - 1) +
                       QStringLiteral(")"));
        MapReplaced();
    } else {
        setWindowTitle(captionBefore);
    }
    ShowSetMarks();
    if (!notMaps.empty()) {
        QStringList names;
        for (const auto& path : notMaps) names << ToQString(path);
        prompts_->ShowMessage(this,
                              tr("Этот файл не Polish MAP!!!") + QLatin1Char('\n') + names.join(QLatin1Char('\n')),
                              tr("Ошибка"), QMessageBox::Critical);
    }
}

void TMainForm::MapReplaced() {
    // The last Process was one of the map before.
    lastProcess_.reset();
    setOutcomes_.clear();
    changedSinceProcess_ = false;
    levelsUnsaved_ = false;
    processedLevels_.clear();
    for (TypeListModel* model : {poiModel_, lineModel_, polyModel_}) model->SetChangedByProcess({});
    ShowProcessTip();
    // A new map shows its lists from the top, not at the scroll position of the one before.
    for (QAbstractItemView* list :
         {static_cast<QAbstractItemView*>(POIListView), static_cast<QAbstractItemView*>(LINEListView),
          static_cast<QAbstractItemView*>(POLYListView)}) {
        list->scrollToTop();
    }
}

void TMainForm::ShowSetMarks() {
    const bool differ = doc_->levelsDiffer();
    LevelsList->setToolTip(differ ? tr("Заголовки уровней карт набора различаются; показан заголовок первой карты")
                                  : QString());
    LevelsList->setStyleSheet(differ ? QStringLiteral("QTableView { border: 2px solid #e07000; }") : QString());
}

void TMainForm::ProcessSet(const QString& folder) {
    const std::filesystem::path to = folder.isEmpty() ? std::filesystem::path() : ToFsPath(folder);
    RunAside([&](Progress& progress) { setOutcomes_ = doc_->ProcessSet(to, &progress); }, false);
    MarkChangedRows();
    lastProcess_.reset();
    changedSinceProcess_ = false;
    levelsUnsaved_ = false;
    ShowProcessTip();
    QStringList failed;
    for (const auto& outcome : setOutcomes_) {
        if (!outcome.failure.empty())
            failed << ToQString(outcome.path) + QStringLiteral(": ") + QString::fromStdString(outcome.failure);
    }
    if (!failed.isEmpty())
        prompts_->ShowMessage(this, failed.join(QLatin1Char('\n')), tr("Ошибка"), QMessageBox::Critical);
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
    ShowSetMarks();
    MapReplaced();
    // The buttons follow when the handler ends, after the message as after a scan that found a map.
    if (!isPolishMap) {
        prompts_->ShowMessage(this, tr("Этот файл не Polish MAP!!!"), tr("Ошибка"), QMessageBox::Critical);
    }
}

void TMainForm::DoSpeedButtonClick() {
    Guarded([this] {
        // A set's maps stay in their files: Process tells what each would get, Save MAP writes them.
        if (!doc_->tiles().empty()) return ProcessSet({});
        ProcessMap();
    });
}

bool TMainForm::ProcessMap() {
    ProcessSummary summary;
    {
        const PreviewWindow::MapChange change(preview_);
        if (!RunAside([&](Progress& progress) { doc_->Process(&progress, &summary); }, true)) {
            StatusBar->SetText(tr("Process отменён: карта не изменилась"));
            return false;
        }
    }
    MarkChangedRows();
    lastProcess_ = LastProcess{std::move(summary), doc_->processWarnings(), doc_->levels().size()};
    changedSinceProcess_ = false;
    levelsUnsaved_ = false;
    ShowProcessTip();
    return true;
}

bool TMainForm::RunAside(const std::function<void(Progress&)>& work, bool cancellable) {
    SetBusy(true, cancellable);
    try {
        const bool done = aside_->Run(work);
        SetBusy(false, false);
        return done;
    } catch (...) {
        SetBusy(false, false);
        throw;
    }
}

void TMainForm::SetBusy(bool busy, bool cancellable) {
    // Disabling takes the focus from its control: it goes back there afterwards, for the keyboard's sake.
    if (busy) focusBeforeBusy_ = QApplication::focusWidget();
    // Everything that changes the map, the choices or the window's language waits; the lists and the
    // Levels table are read by the work, so they are not edited meanwhile.
    for (QWidget* control : std::initializer_list<QWidget*>{ToolBar1, LevelsList, ShowAllCheck, DicCheckBox, GroupBox1,
                                                            GroupBox2, GroupBox3}) {
        control->setEnabled(!busy);
    }
    PreviewAction->setEnabled(!busy);
    LanguageAction->setEnabled(!busy);
    if (busy && cancellable) {
        CancelButton->setText(tr("Отмена"));
        const QRect panel = StatusBar->PanelRect(1);
        const int width = CancelButton->sizeHint().width();
        CancelButton->setGeometry(panel.right() - width, panel.top(), width, panel.height());
    }
    CancelButton->setVisible(busy && cancellable);
    if (busy) return;
    UpdateButtons();
    if (focusBeforeBusy_ && focusBeforeBusy_->isEnabled()) focusBeforeBusy_->setFocus(Qt::OtherFocusReason);
    focusBeforeBusy_.clear();
}

void TMainForm::MarkChangedRows() {
    std::map<std::pair<ObjectKind, std::string>, std::string> levels;
    for (TypeListModel* model : {poiModel_, lineModel_, polyModel_}) {
        std::set<std::string> changed;
        for (const TypeRow& row : doc_->lists().Of(model->kind()).rows()) {
            const auto before = processedLevels_.find({model->kind(), row.code});
            if (before != processedLevels_.end() && before->second != row.level) changed.insert(row.code);
            levels[{model->kind(), row.code}] = row.level;
        }
        model->SetChangedByProcess(std::move(changed));
    }
    processedLevels_ = std::move(levels);
}

void TMainForm::SetUpKeyboard() {
    QWidget* const chain[] = {OpenSpeedButton,    DoSpeedButton,      SaveSpeedButton, OpenCFGSpeedButton,
                              SaveCFGSpeedButton, SaveDICSpeedButton, LevelsList,      POIListView,
                              LINEListView,       POLYListView,       ShowAllCheck,    DicCheckBox};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) setTabOrder(chain[i], chain[i + 1]);
    for (QAbstractItemView* view :
         std::initializer_list<QAbstractItemView*>{LevelsList, POIListView, LINEListView, POLYListView}) {
        view->setTabKeyNavigation(false);
    }
    for (TypeListView* view : {POIListView, LINEListView, POLYListView}) {
        // Before the POI list's typing shortcut, which takes the keys this one leaves.
        connect(view, &TypeListView::keyDown, this,
                [this, view](QKeyEvent* event, bool* consumed) { ListKeyDown(view, event, consumed); });
    }
}

namespace {

bool OpensLevelPopup(const QKeyEvent& event) {
    return event.key() == Qt::Key_Menu || (event.key() == Qt::Key_F10 && event.modifiers() == Qt::ShiftModifier);
}

bool SetsLevel(const QKeyEvent& event) {
    return event.modifiers() == Qt::ControlModifier && event.key() >= Qt::Key_0 && event.key() <= Qt::Key_9;
}

}  // namespace

void TMainForm::ListKeyDown(TypeListView* view, QKeyEvent* event, bool* consumed) {
    if (*consumed || view->IsEditing()) return;
    if (OpensLevelPopup(*event)) {
        const QModelIndex current = view->currentIndex();
        const QPoint at = current.isValid() ? view->visualRect(current).center() : QPoint(0, 0);
        popupList_ = view;
        LevelPopupMenu->popup(view->viewport()->mapToGlobal(at));
        *consumed = true;
        return;
    }
    if (!SetsLevel(*event)) return;
    *consumed = true;
    const int level = event->key() - Qt::Key_0;
    Guarded([&] {
        TypeListModel* model = ModelOf(view);
        ChangeChoices([&] { doc_->SetLevelOfRows(model->kind(), SelectedRows(view), level); });
        model->CaptionsChanged();
    });
}

void TMainForm::CreateCancelButton() {
    aside_ = std::make_unique<AsideWork>(*progress_);
    CancelButton = new QToolButton(StatusBar);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoRaise(true);
    CancelButton->hide();
    connect(CancelButton, &QToolButton::clicked, this, [this] { aside_->Cancel(); });
}

void TMainForm::SaveSpeedButtonClick() {
    Guarded([this] {
        if (doc_->tiles().empty()) {
            SaveMapAsked();
            return;
        }
        const std::optional<QString> folder =
            prompts_->AskFolder(this, tr("Папка для карт набора"), SaveDialog.initialDir);
        if (!folder) return;
        // One question for all the maps that would be replaced.
        const bool replaces = std::any_of(doc_->tiles().begin(), doc_->tiles().end(), [&](const Tile& tile) {
            return QFileInfo::exists(QDir(*folder).filePath(ToQString(tile.path.filename())));
        });
        if (replaces &&
            !prompts_->AskYesNo(this, tr("Файл уже существует! Заменить?"), tr("Внимание!"), QMessageBox::Warning)) {
            return;
        }
        ProcessSet(*folder);
    });
}

bool TMainForm::SaveMapAsked() {
    // The map in memory holds the last Process's result: choices made since would not be in the file.
    if (!lastProcess_ || changedSinceProcess_) {
        switch (prompts_->AskYesNoCancel(this,
                                         tr("Выбранные уровни ещё не применены к карте. Выполнить Process перед "
                                            "сохранением?"),
                                         tr("Save MAP"), QMessageBox::Question)) {
            case UiPrompts::Answer::Yes:
                if (!ProcessMap()) return false;
                break;
            case UiPrompts::Answer::No:
                break;
            case UiPrompts::Answer::Cancel:
                return false;
        }
    }
    const std::optional<QString> path = AskSavePath(FileType::PolishMap);
    if (!path) return false;
    StatusBar->SetText(tr("Запись карты в %1. Пожалуйста подождите...").arg(*path));
    const std::uint64_t size = doc_->map().SavedSize();
    bool saved = false;
    try {
        saved = RunAside(
            [&](Progress& progress) {
                doc_->SaveMap(ToFsPath(*path), [&](std::uint64_t written) { progress.SetProgress(size, written); });
            },
            true);
    } catch (...) {
        StatusBar->SetText(tr("Карта не записана"));
        throw;
    }
    StatusBar->SetText(saved ? tr("Карта записана в %1").arg(*path) : tr("Запись карты отменена: файл не изменился"));
    return saved;
}
void TMainForm::OpenCFGSpeedButtonClick() {
    Guarded([this] {
        const std::optional<QString> path = AskOpenPath(FileType::LevelConfig);
        if (!path) return;
        std::vector<UnmatchedConfigLine> unmatched;
        ChangeChoices([&] { unmatched = doc_->OpenConfig(ToFsPath(*path)); });
        for (TypeListModel* model : {poiModel_, lineModel_, polyModel_}) model->CaptionsChanged();
        // The rest is applied; what was not is told at once, in one message.
        const std::vector<ConfigProblem> problems = FindConfigProblems(doc_->cfgLines(), unmatched, doc_->Names());
        if (!problems.empty()) {
            prompts_->ShowMessage(this, ConfigProblemsText(*path, problems), tr("Open CFG"), QMessageBox::Warning);
        }
    });
}

QString TMainForm::ConfigProblemsText(const QString& path, const std::vector<ConfigProblem>& problems) const {
    constexpr std::size_t kShown = 20;
    QStringList lines{tr("Файл уровней %1 применён, кроме строк:").arg(path)};
    for (std::size_t i = 0; i < problems.size() && i < kShown; ++i) {
        const ConfigProblem& problem = problems[i];
        const QString text = DecodeCp1251(problem.text);
        if (problem.kind == ConfigProblem::Kind::LevelNotANumber) {
            lines << tr("строка %1: уровень «%2» не целое число").arg(problem.line).arg(text);
        } else if (problem.hint.empty()) {
            lines << tr("строка %1: «%2» не называет тип из списков").arg(problem.line).arg(text);
        } else {
            lines << tr("строка %1: «%2» не называет тип из списков; может быть, «%3»?")
                         .arg(problem.line)
                         .arg(text, DecodeCp1251(problem.hint));
        }
    }
    if (problems.size() > kShown) lines << tr("… и ещё %1").arg(problems.size() - kShown);
    return lines.join(QLatin1Char('\n'));
}

void TMainForm::SaveCFGSpeedButtonClick() {
    Guarded([this] { SaveConfigAsked(); });
}

bool TMainForm::SaveConfigAsked() {
    const std::optional<QString> path = AskSavePath(FileType::LevelConfig);
    if (!path) return false;
    doc_->SaveConfig(ToFsPath(*path));
    levelsUnsaved_ = false;
    StatusBar->SetText(tr("Уровни записаны в %1").arg(*path));
    return true;
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
        !prompts_->AskYesNo(this, tr("Файл уже существует! Заменить?"), tr("Внимание!"), QMessageBox::Warning)) {
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
        ChangeChoices([&] { doc_->SetUseDictionary(checked); });
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
        // The keys that every list has (ListKeyDown) are no typing.
        if (key < 48 || view->IsEditing() || OpensLevelPopup(*event) || SetsLevel(*event)) return;
        const std::vector<std::size_t> rows = SelectedRows(view);
        if (rows.empty()) return;
        TypeListModel* model = ModelOf(view);
        // The key's code as a character becomes the caption, and the editor opens on it.
        ChangeChoices([&] { doc_->SetLevelText(model->kind(), rows.front(), std::string(1, static_cast<char>(key))); });
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
        ChangeChoices([&] { doc_->SetLevelOfRows(model->kind(), SelectedRows(target), level); });
        model->CaptionsChanged();
    });
}

void TMainForm::AdviseSpeedButtonClick() {
    Guarded([this] {
        MapDocument::AdviceMap advice;
        RunAside([&](Progress&) { advice = doc_->MeasureAdvice(); }, false);
        doc_->SetAdvice(std::move(advice));
        for (TypeListModel* model : {poiModel_, lineModel_, polyModel_}) model->AdviceChanged();
        // "3 → 1" may need more room than the level alone.
        for (TypeListView* view : {POIListView, LINEListView, POLYListView}) {
            const int before = view->columnWidth(0);
            view->resizeColumnToContents(0);
            if (view->columnWidth(0) < before) view->setColumnWidth(0, before);
            view->FitColumns();
        }
    });
}

void TMainForm::ApplyAdviceSpeedButtonClick() {
    Guarded([this] {
        std::vector<std::pair<TypeListModel*, std::vector<std::size_t>>> rows;
        bool selected = false;
        for (TypeListView* view : {POIListView, LINEListView, POLYListView}) {
            rows.emplace_back(ModelOf(view), SelectedRows(view));
            selected = selected || !rows.back().second.empty();
        }
        for (auto& [model, list] : rows) {
            if (selected) continue;
            list.resize(static_cast<std::size_t>(model->rowCount()));
            std::iota(list.begin(), list.end(), std::size_t{0});
        }
        ChangeChoices([&] {
            for (const auto& [model, list] : rows) doc_->ApplyAdvice(model->kind(), list);
        });
        for (TypeListModel* model : {poiModel_, lineModel_, polyModel_}) model->AdviceChanged();
    });
}

// ---------------------------------------------------------------------------------------------------------
// Levels table

void TMainForm::N1Click() {
    Guarded([this] {
        const int row = CurrentLevelRow();
        ResetScope reset(this, false, true);
        ChangeChoices([&] {
            doc_->AddLevelAfter(row >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(row)) : std::nullopt);
        });
    });
}

void TMainForm::N2Click() {
    Guarded([this] {
        const int row = CurrentLevelRow();
        ResetScope reset(this, false, true);
        ChangeChoices([&] {
            doc_->RemoveLevel(row >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(row)) : std::nullopt);
        });
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

TMainForm::Choices TMainForm::CurrentChoices() const {
    Choices choices;
    for (ObjectKind kind : kAllKinds) {
        for (const TypeRow& row : doc_->lists().Of(kind).rows()) choices.captions.push_back(row.level);
    }
    choices.levels = doc_->levels().rows();
    choices.dictionary = doc_->useDictionary();
    return choices;
}

void TMainForm::ShowChangeMark() { StatusBar->SetText(tr("Уровни изменены после Process")); }

void TMainForm::ShowProcessTip() {
    // A tooltip's frame takes a few pixels: one line's room is kept for it.
    const int lines = height() / QFontMetrics(QToolTip::font()).lineSpacing() - 1;
    if (!setOutcomes_.empty()) {
        StatusBar->setToolTip(WindowTexts::SetProcessTip(setOutcomes_, lines));
        return;
    }
    if (!lastProcess_) {
        StatusBar->setToolTip({});
        return;
    }
    StatusBar->setToolTip(
        WindowTexts::ProcessTip(lastProcess_->summary, lastProcess_->warnings, lastProcess_->levels, lines));
}

void TMainForm::UpdateButtons() {
    // While work runs aside the tool bar stays disabled (SetBusy) and the document's buttons may be changing.
    if (aside_ && aside_->running()) return;
    const ButtonStates& buttons = doc_->buttons();
    OpenSpeedButton->setEnabled(true);
    DoSpeedButton->setEnabled(buttons.process);
    SaveSpeedButton->setEnabled(buttons.saveMap);
    OpenCFGSpeedButton->setEnabled(buttons.openCfg);
    SaveCFGSpeedButton->setEnabled(buttons.saveCfg);
    SaveDICSpeedButton->setEnabled(buttons.saveDic);
    // Advise measures the Levels table's levels: a map or set must be open.
    AdviseSpeedButton->setEnabled(buttons.process);
    ApplyAdviceSpeedButton->setEnabled(doc_->hasAdvice());
    // The menu is made after the tool bar.
    if (!AdviseAction) return;
    AdviseAction->setEnabled(buttons.process);
    ApplyAdviceAction->setEnabled(doc_->hasAdvice());
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
