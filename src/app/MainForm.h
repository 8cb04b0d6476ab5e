#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "app/UiPrompts.h"
#include "document/MapDocument.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QTableView;
class QToolButton;

namespace stratex {

class AsideWork;
class LevelsModel;
class PanelStatusBar;
class PreviewWindow;
class TypeListModel;
class TypeListView;
class WindowProgress;

// The main window. It holds the controls and the dialog states; the open map, the lists, the levels and
// every operation on them are the MapDocument's. Each handler reads the widgets, runs its dialog or
// question, calls the document and shows the result; a failure (stratex::Error or any std::exception)
// ends the handler and is shown in a message box captioned "Stratex".
//
// The window's default size is its smallest; what the user gives it beyond that goes to the Type lists, the
// Levels table and the left column's width; texts never show cut. It speaks the language of the settings' "Language",
// else the one the locale asks for (Language.h), and changes it at once when the user picks another in its context
// menu. After a Process, a change of the choices that Process reads (a type's level, the Levels table, the dictionary
// option) is marked in the status bar until the next Process or Open MAP.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    // prompts: the file dialogs and message boxes (QtUiPrompts when null). The window reads the type name
    // files from the working folder of this moment and its settings from the per-user store.
    explicit TMainForm(std::unique_ptr<UiPrompts> prompts = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    // What the window shows, for inspection.
    const MapDocument& document() const { return *doc_; }
    const FileDialogState& openDialog() const { return OpenDialog; }
    const FileDialogState& saveDialog() const { return SaveDialog; }
    const QString& programDir() const { return ProgramDir; }
    bool mouseDownInList() const { return MouseDownInList; }
    // The Preview window once it has been opened, else null.
    PreviewWindow* preview() const { return preview_; }

    // Opens the maps named on the command line (`stratex a.mp b.mp`) as dropped files are opened: Open MAP
    // without its dialog, several maps as a set; relative names are taken from the working folder. A
    // failure is shown as for Open MAP.
    void OpenMapArguments(const QStringList& arguments);
    void OpenMapArgument(const QString& argument) { OpenMapArguments({argument}); }

    // The caption before any map is opened: "Stratex v2.1".
    static QString BaseCaption();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class ResetScope;
    friend class ResetScope;

    // Building the window.
    void ChooseLanguage();
    void CreateControls();
    void CreateToolBar();
    void CreateTypeList(QGroupBox* box, TypeListView*& view, TypeListModel*& model, ObjectKind kind, const char* name,
                        int levelWidth, int codeWidth, int nameWidth, QSize iconSize);
    void CreateMenus();
    void CreateShortcuts();
    // Gives every control its text in the window's language; again whenever the language changes.
    void RetranslateUi();
    // Puts the controls into the window's layouts.
    void CreateLayout();
    // Fits the Levels table's columns to their texts and holds the table at least as wide as they need.
    void FitLevelColumns();
    // Takes the type names of the window's language (TypeNamesFolder) when they are not those shown.
    void UseTypeNames();
    // Opens the window where it was when it closed last (bounds from the settings), kept on a screen.
    void PlaceWindow(const QRect& bounds);
    void SaveWindowPlace();
    // The language menu: code is "ru", "en", or empty to follow the locale.
    void ChooseLanguageClick(const QString& code);

    // Handlers.
    void FormCreate();
    void FormShow();
    bool FormClose();
    void StatusBarDrawPanel(int panel, const QRect& rect);
    void OpenSpeedButtonClick();
    void DoSpeedButtonClick();
    void SaveSpeedButtonClick();
    void OpenCFGSpeedButtonClick();
    void SaveCFGSpeedButtonClick();
    void SaveDICSpeedButtonClick();
    // Advise: measures the open map or set aside and shows each row's proposal; Apply gives the selected
    // rows of the three lists (all rows when none is selected) their proposals as a change of the choices.
    void AdviseSpeedButtonClick();
    void ApplyAdviceSpeedButtonClick();
    void ShowAllCheckClick(bool checked);
    void DicCheckBoxClick(bool checked);
    void POIListViewClick(TypeListView* view);
    void POIListViewColumnClick(TypeListView* view, int column);
    bool POIListViewEditing(TypeListView* view, int row);
    void POIListViewMouseDown(TypeListView* view, QMouseEvent* event);
    void POIListViewMouseUp(TypeListView* view, QMouseEvent* event);
    void POIListViewKeyDown(TypeListView* view, QKeyEvent* event, bool* consumed);
    void N1212211Click(QAction* item);
    void N1Click();
    void N2Click();
    // F6 and the window's context menu: shows the Preview window, created at first use.
    void ShowPreview();

    // Open MAP after its dialog, a drop and the command line: one map, or several as a set, once the work
    // that the new map would replace is saved or given up (SaveFirst).
    void OpenMaps(const QStringList& paths);
    // Before work is lost (an unsaved processed map, levels changed since the last Process or Save CFG):
    // asks whether to save first; Yes saves as Save MAP (a processed map) or Save CFG would. Returns false
    // when the user cancels, here or in the save's own dialogs. With closing, the unsaved map has been
    // asked about already (the close question) and only the levels are.
    bool SaveFirst(bool closing = false);
    // Save MAP of the open map with its questions: Process first when the choices changed since the last
    // Process or there was none, the dialog, the overwrite question. True when the map was written.
    bool SaveMapAsked();
    // Save CFG with its dialog; true when the file was written.
    bool SaveConfigAsked();
    // Process of the open map (not of a set), with what the tooltip tells of it. False when cancelled.
    bool ProcessMap();
    // Runs work (Process, Save MAP) off the window thread (AsideWork) with the status bar's progress, and
    // Cancel beside it where cancellable; meanwhile the controls that could change the map or the choices
    // are disabled and the window neither closes nor takes a drop. Returns false when the user cancelled;
    // work's failure is thrown.
    bool RunAside(const std::function<void(Progress&)>& work, bool cancellable);
    void SetBusy(bool busy, bool cancellable);
    // After a Process: marks the rows whose level differs from the Process before (none after the first).
    void MarkChangedRows();
    // Open CFG's message about the lines of path that it did not apply.
    QString ConfigProblemsText(const QString& path, const std::vector<ConfigProblem>& problems) const;
    void CreateCancelButton();
    // Tab and Shift+Tab go from area to area: the tool bar, the Levels table, the three Type lists, the check
    // boxes; arrows move inside a list.
    void SetUpKeyboard();
    // Keys of every Type list: Ctrl+0 to Ctrl+9 give the selected rows that level, as the level popup does;
    // Shift+F10 and the menu key open the level popup at the current row.
    void ListKeyDown(TypeListView* view, QKeyEvent* event, bool* consumed);
    // Open MAP after its dialog (also a dropped file): settings, dialogs, caption, Show All off, the scan.
    void OpenMapPath(const QString& path);
    // Open MAP of several maps: a set of tiles.
    void OpenMapSet(const QStringList& paths);
    // After a map or a set took the place of the one before: no Process of it yet, the lists at their tops.
    void MapReplaced();
    // The marks of a set: the Levels table's where the maps' headers differ (the rows mark themselves).
    void ShowSetMarks();
    // Process, or with a folder Save MAP, of the open set; what it did goes to the status bar's tooltip.
    void ProcessSet(const QString& folder);
    // The file types of both dialogs, as their filter lists number them (from 1).
    enum class FileType { PolishMap = 1, TextFile = 2, LevelConfig = 3 };
    // Asks a save operation's dialog; returns the chosen path with the file type's extension applied to a
    // name typed without one, or nothing when cancelled or when the user refuses to replace the file.
    std::optional<QString> AskSavePath(FileType fileType);
    std::optional<QString> AskOpenPath(FileType fileType);

    // Runs a handler's body; a failure is shown (or, inside another handler, passed on to it).
    template <typename Body>
    void Guarded(Body&& body);
    void ShowFailure(const std::string& message);
    // Ticks or unticks a check box by program; its handler runs, and a failure there ends the caller.
    void SetCheckedByProgram(QCheckBox* box, bool checked);

    // What Process reads of the user's choices.
    struct Choices {
        std::vector<std::string> captions;  // every row's "До слоя", the lists one after the other
        std::vector<LevelRow> levels;
        bool dictionary = false;
        bool operator==(const Choices&) const = default;
    };
    Choices CurrentChoices() const;
    // Runs change, a step that may change the choices, and marks the status bar when it did so after a
    // Process of the open map.
    template <typename Change>
    void ChangeChoices(Change&& change);
    void ShowChangeMark();
    // The status bar's tooltip: what the last Process of the open map did, in as many lines as the window's
    // height holds; empty before a Process.
    void ShowProcessTip();

    void UpdateButtons();
    void ShowLevelValueEditor(int row);
    int CurrentLevelRow() const;
    TypeListModel* ModelOf(const TypeListView* view) const;
    std::vector<std::size_t> SelectedRows(const TypeListView* view) const;

    std::unique_ptr<UiPrompts> prompts_;
    Settings settings_;
    QString ProgramDir;
    std::unique_ptr<MapDocument> doc_;
    FileDialogState OpenDialog;
    FileDialogState SaveDialog;
    bool MouseDownInList = false;
    std::exception_ptr* nestedFailure_ = nullptr;
    bool shown_ = false;
    TypeListView* popupList_ = nullptr;  // the list whose level popup was opened last
    bool placed_ = false;                // the window's place came from the settings
    QString languageSetting_;            // "Language" as read or chosen: "ru", "en" or empty

    // The last Process of the open map, as the status bar's tooltip tells it.
    struct LastProcess {
        ProcessSummary summary;
        ProcessWarnings warnings;
        std::size_t levels = 0;
    };
    std::optional<LastProcess> lastProcess_;
    // What the last Process or Save MAP of a set did, per map.
    std::vector<MapDocument::TileOutcome> setOutcomes_;
    bool changedSinceProcess_ = false;
    // The Type lists' levels or the Levels table changed since the map was opened, processed or its levels
    // saved (Save CFG).
    bool levelsUnsaved_ = false;
    // Each type's level at the last Process of the open map or set.
    std::map<std::pair<ObjectKind, std::string>, std::string> processedLevels_;

    QWidget* ToolBar1 = nullptr;
    QToolButton* OpenSpeedButton = nullptr;
    QToolButton* DoSpeedButton = nullptr;
    QToolButton* SaveSpeedButton = nullptr;
    QFrame* ToolButton1 = nullptr;
    QToolButton* OpenCFGSpeedButton = nullptr;
    QToolButton* SaveCFGSpeedButton = nullptr;
    QToolButton* SaveDICSpeedButton = nullptr;
    QToolButton* AdviseSpeedButton = nullptr;
    QToolButton* ApplyAdviceSpeedButton = nullptr;
    QAction* AdviseAction = nullptr;  // the Type lists' context menu
    QAction* ApplyAdviceAction = nullptr;
    QTableView* LevelsList = nullptr;
    QCheckBox* ShowAllCheck = nullptr;
    QCheckBox* DicCheckBox = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    TypeListView* POIListView = nullptr;
    TypeListView* LINEListView = nullptr;
    TypeListView* POLYListView = nullptr;
    PanelStatusBar* StatusBar = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QMenu* LevelPopupMenu = nullptr;
    QMenu* LevelsPopupMenu = nullptr;
    QAction* PreviewAction = nullptr;
    QAction* LanguageAction = nullptr;  // the context menu's "Язык", holding LanguageMenu
    QMenu* LanguageMenu = nullptr;

    TypeListModel* poiModel_ = nullptr;
    TypeListModel* lineModel_ = nullptr;
    TypeListModel* polyModel_ = nullptr;
    LevelsModel* levelsModel_ = nullptr;
    std::unique_ptr<WindowProgress> progress_;
    std::unique_ptr<AsideWork> aside_;
    QToolButton* CancelButton = nullptr;  // in the status bar while cancellable work runs
    QPointer<QWidget> focusBeforeBusy_;
    PreviewWindow* preview_ = nullptr;
};

}  // namespace stratex
