#pragma once
// TFMain: the main window. The exchange buffer and the archive side by side in grids
// over the data module's views, every command as an action (menus, four toolbars,
// shortcuts, drag and drop), the detail panel of the selected result, and the layout
// kept in the settings between runs.
//
//   TDM dm; dm.open();
//   TFMain window(dm);                 // reads "Lang", restores the layout
//   window.setActionHandler("ACopyDate", [&] { copyBufferToArchive(); });
//   window.show();                     // opens maximised
//   ...                                // ~TFMain saves the layout
//
// Actions whose feature is not connected yet stay disabled; once a handler is set,
// the window's state (page shown, grid entered, ExtDataState) decides.
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "AsynComAscii.h"

class BufferIntake;
class DataView;
class TFFrame;
class TDM;
class TDBGrid;
class GridModel;
class CurrentRowModel;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QToolBar;
class QWidget;

class TFMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFMain(TDM &dm, QWidget *parent = nullptr);
    ~TFMain() override;

    TDM &dm() const { return dm_; }

    // ---- actions ----
    QAction *action(const QString &name) const;       // null when unknown
    QStringList actionNames() const;
    // Connects a feature to its action; from then on the window's state enables it.
    void setActionHandler(const QString &name, std::function<void()> handler);
    // Whether the window's state asks for the action (regardless of its handler).
    bool actionWanted(const QString &name) const;

    // ---- grids and state ----
    TDBGrid *grid(const QString &name) const;         // "DBGridTtip", "DBGridTIdent" ...
    QList<TDBGrid *> grids() const;
    TDBGrid *currentGrid() const { return currentGrid_; }
    // What entering a grid does (the grid's focus-in calls it).
    void enterGrid(TDBGrid *grid);
    TDBGrid *navigatorGrid() const { return navigatorGrid_; }
    DataView *detailView() const { return detailView_; }

    // ---- operations for the other features ----
    void refreshDetailPanel();
    void updateBufferCount();
    int extDataState() const { return extDataState_; }
    void setExtDataState(int state);                   // 0 table, 1 query result, 2 empty/failed
    void updateExportEnabling();
    QString helpFile() const { return helpFile_; }
    QPlainTextEdit *exchangeLogSent() const { return logSent_; }
    QPlainTextEdit *exchangeLogReceived() const { return logReceived_; }

    // ---- work with the device (UMainExchange.cpp) ----
    TAsynComAscii &AsynComAscii1() const { return *asynComAscii1_; }
    TFFrame *FFrame() const { return fFrame_.get(); }
    // The engine's Open; false when the port can't be opened.
    bool OpenPort();
    // Empties the buffer tables and reopens their views (a failure is shown).
    void ClearExchangeBuffer();
    void ShowExchangeWindow();
    // The commands behind AReadData, AWriteBase, ABaseDelAll and AClearTable.
    void readDevice();
    void writeDevice();
    void eraseDevice();
    void clearPageInFront();

    // ---- parts of the window ----
    QTabWidget *leftPages() const { return pcData_; }            // device work / external data
    QTabWidget *bufferDetailTabs() const { return pageControl3_; }
    QTabWidget *archiveDetailTabs() const { return pageControl2_; }
    QWidget *bufferPane() const { return pOutData_; }
    QWidget *archivePane() const { return pArchiv_; }
    QWidget *detailPanel() const { return detailPanel_; }
    QWidget *fieldLayoutStrip() const { return fieldLayout_; }
    QCheckBox *bufferPaneBox() const { return cbControlOutData_; }
    QCheckBox *archivePaneBox() const { return cbControlArhive_; }
    QLabel *bufferCountLabel() const { return bufferCount_; }
    QLabel *typeNameLabel() const { return typeName_; }
    TDBGrid *upperDetailGrid() const { return dbGridDop1_; }
    TDBGrid *lowerDetailGrid() const { return dbGridDop_; }
    CurrentRowModel *upperDetailModel() const { return upperModel_; }
    CurrentRowModel *lowerDetailModel() const { return lowerModel_; }
    QToolBar *toolBar(const QString &name) const;       // "TBTable", "TBData", "TBOutData", "TBNavigator"
    QAction *toolBarItem(const QString &name) const;    // "NTable", "Narchive", "NoutData", "NNavigator"
    QMenu *toolBarMenu() const { return pmControlBar_; }

    QMenu *createPopupMenu() override;

signals:
    // A drop the transfers act on: rows of `source` dropped on `target`.
    void gridRowsDropped(TDBGrid *target, TDBGrid *source);

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct ActionEntry {
        QAction *action = nullptr;
        bool connected = false;
        bool wanted = true;
    };

    QAction *addAction(const QString &name, const QString &caption, const QString &hint,
                       const QKeySequence &shortcut = QKeySequence());
    void setWanted(const QString &name, bool wanted);
    void connectOwnActions();
    void buildActions();
    void buildMenus();
    void buildToolBars();
    QWidget *buildWorkArea();
    QWidget *buildBufferPane();
    QWidget *buildArchivePane();
    QWidget *buildDetailPanel();
    void buildGrids();
    TDBGrid *makeGrid(const QString &name, DataView &view, const QList<struct ColumnSpec> &columns);
    void wireGrid(TDBGrid *grid);

    void readLanguage();
    void restoreLayout();
    void saveLayout() const;
    void applyPaneWidths();

    void onPageChanged(int index);
    void onBufferPaneToggled(bool checked);
    void onArchivePaneToggled(bool checked);
    void onGridLeft(TDBGrid *grid);
    void onGridDrop(TDBGrid *target, TDBGrid *source, bool ordinaryCursor);
    void onNavigator(const QString &name);
    void updateNavigator();
    void applyDetailColumns(int conType);

    void connectExchange();
    void AsynComAscii1BeginFrame();
    void AsynComAscii1EndFrame();
    void AsynComAscii1SetError(TTransError Error);
    void AsynComAscii1ReadBuffer(const QByteArray &S);
    void AsynComAscii1WriteBuffer(const QByteArray &S);
    void AsynComAscii1ReadIdent(const QString &XXX, QChar Z, const QString &Ident);
    void AsynComAscii1ReadBase(const QString &Data);
    void AsynComAscii1WriteBase();
    QList<DataView *> suspendedDuringExchange() const;
    void onExchangeWindowShown();
    void onExchangeWindowClosed();
    void finishIntake(bool cancelled);
    int bufferPaneWidth() const;
    int archivePaneWidth() const;

    TDM &dm_;
    std::unique_ptr<TAsynComAscii> asynComAscii1_;
    std::unique_ptr<TFFrame> fFrame_;   // a window of its own: usable while this one is disabled
    std::unique_ptr<BufferIntake> intake_;   // during a read
    struct {
        QString maker, text;
        QChar rate;
    } ident_;                           // of the last identification
    QHash<QString, ActionEntry> actions_;
    QStringList actionOrder_;
    QHash<QString, std::function<void()>> handlers_;
    QHash<QString, TDBGrid *> grids_;
    QHash<QString, QToolBar *> toolBars_;
    QHash<QString, QAction *> toolBarItems_;

    TDBGrid *currentGrid_ = nullptr;
    TDBGrid *navigatorGrid_ = nullptr;
    DataView *detailView_ = nullptr;
    int extDataState_ = 2;
    int bufferWidth_ = 600;      // remembered while the archive pane is hidden
    int archiveWidth_ = 700;
    bool shownOnce_ = false;
    QString helpFile_;

    QMenu *pmControlBar_ = nullptr;
    QTabWidget *pcData_ = nullptr;
    QTabWidget *pageControl3_ = nullptr;
    QTabWidget *pageControl2_ = nullptr;
    QSplitter *panel1_ = nullptr;
    QWidget *pOutData_ = nullptr;
    QWidget *pArchiv_ = nullptr;
    QWidget *detailPanel_ = nullptr;
    QWidget *fieldLayout_ = nullptr;
    QCheckBox *cbControlOutData_ = nullptr;
    QCheckBox *cbControlArhive_ = nullptr;
    QLabel *bufferCount_ = nullptr;
    QLabel *typeName_ = nullptr;
    QPlainTextEdit *logSent_ = nullptr;
    QPlainTextEdit *logReceived_ = nullptr;
    TDBGrid *dbGridDop1_ = nullptr;
    TDBGrid *dbGridDop_ = nullptr;
    CurrentRowModel *upperModel_ = nullptr;
    CurrentRowModel *lowerModel_ = nullptr;
};
