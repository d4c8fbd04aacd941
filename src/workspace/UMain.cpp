#include "UMain.h"

#include "AppSettings.h"
#include "BufferIntake.h"
#include "DBGrid.h"
#include "DataView.h"
#include "GridModels.h"
#include "Icons.h"
#include "Messages.h"
#include "TDM.h"
#include "UFrame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Keys of the persisted layout, named after the properties they keep.
const char kRealLengthVector[] = "ActionManager1.ARealLengthVector.<P>.Checked";
const char kArchiveWidth[] = "PGlobal.Panel1.PArchiv.<P>.Width";
const char kArchiveTab[] = "PGlobal.Panel1.PArchiv.Panel8.PageControl2.<P>.TabIndex";
const char kBufferWidth[] = "PGlobal.Panel1.POutData.<P>.Width";
const char kLeftPage[] = "PGlobal.Panel1.POutData.PCData.<P>.TabIndex";
const char kBufferTab[] = "PGlobal.Panel1.POutData.PCData.TSSinhroData.PageControl3.<P>.TabIndex";
const char kArchiveShown[] = "PGlobal.PControlArhive.CBControlArhive.<P>.Checked";
const char kBufferShown[] = "PGlobal.PControlOutData.CBControlOutData.<P>.Checked";
const char kDataBar[] = "PMControlBar.Narchive.<P>.Checked";
const char kNavigatorBar[] = "PMControlBar.NNavigator.<P>.Checked";
const char kOutDataBar[] = "PMControlBar.NoutData.<P>.Checked";
const char kTableBar[] = "PMControlBar.NTable.<P>.Checked";

const QStringList kNavigatorNames = {QStringLiteral("DataSetFirst1"), QStringLiteral("DataSetPrior1"),
                                     QStringLiteral("DataSetNext1"),  QStringLiteral("DataSetLast1"),
                                     QStringLiteral("DataSetDelete1"), QStringLiteral("DataSetInsert1"),
                                     QStringLiteral("DataSetPost1"),  QStringLiteral("DataSetCancel1")};

// The side strips' caption: a word written bottom to top.
class VerticalCaption : public QWidget {
public:
    VerticalCaption(const QString &text, QWidget *parent) : QWidget(parent), text_(text)
    {
        QFont f = font();
        f.setBold(true);
        setFont(f);
        setFixedWidth(fontMetrics().height() + 8);
        setMinimumHeight(fontMetrics().horizontalAdvance(text_) + 16);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(palette().color(QPalette::Dark).darker(130));
        p.translate(width() / 2.0 + fontMetrics().ascent() / 2.0 - 1, 8 + fontMetrics().horizontalAdvance(text_));
        p.rotate(-90);
        p.drawText(0, 0, text_);
    }

private:
    QString text_;
};

QLabel *captionText(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// A caption bar over a grid: the text at the left and an optional label at the right.
QWidget *captionBar(const QString &text, QWidget *parent, QLabel **right = nullptr, QLabel **tail = nullptr)
{
    auto *bar = new QWidget(parent);
    bar->setAutoFillBackground(true);
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Window).darker(108));
    bar->setPalette(pal);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(captionText(text, bar));
    if (tail) {
        *tail = captionText(QString(), bar);
        layout->addWidget(*tail);
    }
    layout->addStretch(1);
    if (right) {
        *right = new QLabel(bar);
        layout->addWidget(*right);
    }
    return bar;
}

QWidget *withCaption(QWidget *caption, QWidget *body, QWidget *parent)
{
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption);
    layout->addWidget(body, 1);
    return box;
}

ColumnSpec col(const char *field, const QString &title = {}, const QString &hint = {}, const QString &format = {})
{
    ColumnSpec c;
    c.field = QLatin1String(field);
    c.title = title;
    c.hint = hint;
    c.format = format;
    return c;
}

ColumnSpec coded(const char *field, const QString &title, const QStringList &codes)
{
    ColumnSpec c = col(field, title);
    c.codes = codes;
    return c;
}

ColumnSpec hidden(ColumnSpec c)
{
    c.hidden = true;
    return c;
}

QList<ColumnSpec> resultColumns(const QString &mistakeTitle)
{
    return {hidden(col("PU", QStringLiteral("U, В"), {}, QStringLiteral("0.##"))),
            hidden(col("PI", QStringLiteral("I, А"), {}, QStringLiteral("0.####"))),
            col("PFreq", QStringLiteral("F, Гц"), {}, QStringLiteral("#.##")),
            col("PFPMeasure", QStringLiteral("Кф. мощ.")),
            col("PTimeMeasure", QStringLiteral("Время изм.")),
            col("PMistakeMeasure", mistakeTitle, {}, QStringLiteral("0.##")),
            col("PDateMeasure", QStringLiteral("Дата/Время"), {}, QStringLiteral("dd.mm.yy '/' hh:nn"))};
}

QList<ColumnSpec> profileDayColumns()
{
    return {col("PData", QStringLiteral("Дата"), {}, QStringLiteral("dd.mm.yyyy")),
            col("PInterval", QStringLiteral("Интервал, м"))};
}

QList<ColumnSpec> profileSliceColumns()
{
    const QString f = QStringLiteral("dd.mm.yyyy, hh:mm:ss");
    return {col("PBeginTime", QStringLiteral("Время начала"), {}, f),
            col("PEndTime", QStringLiteral("Время окончания"), {}, f),
            col("PActEnergy", QStringLiteral("P+")),
            col("PActEnergyNot", QStringLiteral("P-")),
            col("PReactEnergy", QStringLiteral("Q+")),
            col("PReactEnergyNot", QStringLiteral("Q-"))};
}

bool holds999(const QVariant &v)
{
    bool ok = false;
    return !v.isNull() && v.toDouble(&ok) == 999.0 && ok;
}

}  // namespace

TFMain::TFMain(TDM &dm, QWidget *parent) : QMainWindow(parent), dm_(dm)
{
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QStringLiteral("Kelvatron RT519"));
    helpFile_ = QDir::current().filePath(QStringLiteral("help/RT519_rus.HLP"));

    buildActions();
    buildMenus();
    buildToolBars();
    buildGrids();
    setCentralWidget(buildWorkArea());
    connectOwnActions();
    connectExchange();

    // The exchange log of the device commands: present, never shown.
    logSent_ = new QPlainTextEdit(this);
    logSent_->setObjectName(QStringLiteral("MemoSent"));
    logSent_->hide();
    logReceived_ = new QPlainTextEdit(this);
    logReceived_->setObjectName(QStringLiteral("MemoReceived"));
    logReceived_->hide();

    connect(&dm_, &TDM::currentTypeNameChanged, typeName_, &QLabel::setText);
    connect(&dm_, &TDM::currentResultChanged, this, [this](DataView *view) {
        if (view == detailView_)
            refreshDetailPanel();
    });
    for (DataView *view : {&dm_.ADOTip, &dm_.ADOIdent, &dm_.ADOResult, &dm_.ADODataProfile, &dm_.ADOProfile,
                           &dm_.ADOSinhro, &dm_.ADOSinhroResult, &dm_.ADOSDataProfile, &dm_.ADOSinhroProfile,
                           &dm_.ADODataSetSQL}) {
        connect(view, &DataView::scrolled, this, &TFMain::updateNavigator);
        connect(view, &DataView::stateChanged, this, &TFMain::updateNavigator);
        connect(view, &DataView::rowsReset, this, &TFMain::updateNavigator);
    }

    restoreLayout();

    readLanguage();
    setExtDataState(2);
    toolBars_.value(QStringLiteral("TBOutData"))->setEnabled(pcData_->currentIndex() == 1);
    fieldLayout_->setVisible(action(QStringLiteral("BViewHelp"))->isChecked());
    updateBufferCount();
    currentGrid_ = grid(QStringLiteral("DBGridTTipSinch"));
    navigatorGrid_ = currentGrid_;
    onPageChanged(pcData_->currentIndex());
    typeName_->setText(dm_.ADOTip.field(u"PTipCH").toString());
    updateNavigator();

    setWindowState(windowState() | Qt::WindowMaximized);
}

TFMain::~TFMain()
{
    saveLayout();
    if (fFrame_)
        fFrame_->disconnect(this);   // it goes after this window's parts
    if (asynComAscii1_) {
        asynComAscii1_->ResetExchange();
        asynComAscii1_->Close();
    }
}

// ---------------------------------------------------------------- actions

QAction *TFMain::addAction(const QString &name, const QString &caption, const QString &hint,
                           const QKeySequence &shortcut)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(name);
    a->setToolTip(hint.isEmpty() ? caption : hint);
    a->setStatusTip(hint);
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    actions_.insert(name, ActionEntry{a, false, true});
    actionOrder_.append(name);
    a->setEnabled(false);
    connect(a, &QAction::triggered, this, [this, name] {
        const auto h = handlers_.constFind(name);
        if (h != handlers_.constEnd() && h.value())
            h.value()();
    });
    return a;
}

QAction *TFMain::action(const QString &name) const
{
    const auto e = actions_.constFind(name);
    return e == actions_.constEnd() ? nullptr : e->action;
}

QStringList TFMain::actionNames() const
{
    return actionOrder_;
}

void TFMain::setActionHandler(const QString &name, std::function<void()> handler)
{
    auto e = actions_.find(name);
    if (e == actions_.end())
        return;
    handlers_.insert(name, std::move(handler));
    e->connected = true;
    e->action->setEnabled(e->wanted);
}

bool TFMain::actionWanted(const QString &name) const
{
    return actions_.value(name).wanted;
}

void TFMain::setWanted(const QString &name, bool wanted)
{
    auto e = actions_.find(name);
    if (e == actions_.end())
        return;
    e->wanted = wanted;
    e->action->setEnabled(e->connected && wanted);
}

void TFMain::buildActions()
{
    const auto key = [](const char *k) { return QKeySequence(QString::fromLatin1(k)); };
    addAction(QStringLiteral("APrintView"), QStringLiteral("Предварительный просморт"),
              QStringLiteral("Предварительный просморт таблицы"))->setIcon(toolIcon(ToolIcon::Preview));
    addAction(QStringLiteral("APrint"), QStringLiteral("Печать"), QStringLiteral("Печатать таблицу"), key("Ctrl+P"))
        ->setIcon(toolIcon(ToolIcon::Print));
    addAction(QStringLiteral("ASaveTableAS"), QStringLiteral("Сохранить как"), QStringLiteral("Сохранить таблицу "),
              key("Ctrl+S"))->setIcon(toolIcon(ToolIcon::SaveAs));
    addAction(QStringLiteral("ASelectTableAll"), QStringLiteral("Выделить все"), {}, key("Ctrl+A"));
    addAction(QStringLiteral("Action5"), QStringLiteral("&Com порт"), {}, key("F3"));
    QAction *vectors = addAction(QStringLiteral("ARealLengthVector"), QStringLiteral("Длина векторов в масштабе"), {});
    vectors->setCheckable(true);
    vectors->setChecked(true);
    QAction *language = addAction(QStringLiteral("Action3"), QStringLiteral("Язык"), {}, key("F4"));
    language->setVisible(false);
    addAction(QStringLiteral("APArhive"), QStringLiteral("Из \"Архива\""), {});
    addAction(QStringLiteral("APSinhro"), QStringLiteral("Из \"Буфера обмена\""), {});
    addAction(QStringLiteral("ASArhive"), QStringLiteral("Из \"Архива\""), {});
    addAction(QStringLiteral("ASSinhro"), QStringLiteral("Из \"Буфера обмена\""), {});
    addAction(QStringLiteral("AReadData"), QStringLiteral("Считать данные"), QStringLiteral("Считать данные"), key("Ctrl+R"));
    addAction(QStringLiteral("AWriteBase"), QStringLiteral("Передать данные"), QStringLiteral("Передать данные счетчиков"),
              key("Ctrl+W"));
    addAction(QStringLiteral("ABaseDelAll"), QStringLiteral("Удалить данные"), QStringLiteral("Удалить все данные в приборе"),
              key("Ctrl+D"));
    addAction(QStringLiteral("AHelp"), QStringLiteral("Помощь"), {}, key("F1"));
    addAction(QStringLiteral("Action2"), QStringLiteral("О программе"), {});
    const QString query = QStringLiteral("Запрос данных из архива");
    addAction(QStringLiteral("ASelectDate"), query, query)->setIcon(toolIcon(ToolIcon::Query));
    const QString clear = QStringLiteral("Удалить данные");
    addAction(QStringLiteral("AClearTable"), clear, clear)->setIcon(toolIcon(ToolIcon::Clear));
    const QString copy = QStringLiteral("Копировать все данные в \"Архив\"");
    addAction(QStringLiteral("ACopyDate"), copy, copy)->setIcon(toolIcon(ToolIcon::CopyToArchive));
    const QString chart = QStringLiteral("Графический вид");
    addAction(QStringLiteral("AShowProfile"), chart, chart)->setIcon(toolIcon(ToolIcon::Chart));
    const QString open = QStringLiteral("Открыть внешнюю таблицу");
    addAction(QStringLiteral("AImportTable"), open, open)->setIcon(toolIcon(ToolIcon::OpenTable));
    const QString save = QStringLiteral("Сохранить данные во внешнюю таблицу");
    addAction(QStringLiteral("AExportTable"), save, save)->setIcon(toolIcon(ToolIcon::SaveTable));

    const QList<std::tuple<QString, QString, ToolIcon, QKeySequence>> navigator = {
        {QStringLiteral("DataSetFirst1"), QStringLiteral("Первая запись"), ToolIcon::First, {}},
        {QStringLiteral("DataSetPrior1"), QStringLiteral("Предыдущая запись"), ToolIcon::Prior, {}},
        {QStringLiteral("DataSetNext1"), QStringLiteral("Следующая запись"), ToolIcon::Next, {}},
        {QStringLiteral("DataSetLast1"), QStringLiteral("Последняя запись"), ToolIcon::Last, {}},
        {QStringLiteral("DataSetDelete1"), QStringLiteral("Удалить запись"), ToolIcon::Delete, key("Ctrl+Del")},
        {QStringLiteral("DataSetInsert1"), QStringLiteral("Вставить запись"), ToolIcon::Insert, key("Ins")},
        {QStringLiteral("DataSetPost1"), QStringLiteral("Сохранить изменения"), ToolIcon::Post, {}},
        {QStringLiteral("DataSetCancel1"), QStringLiteral("Отменить изменения"), ToolIcon::Cancel, {}}};
    for (const auto &[name, hint, icon, shortcut] : navigator) {
        QAction *a = addAction(name, QString(), hint, shortcut);
        a->setIconText(hint);
        a->setText(hint);
        a->setIcon(toolIcon(icon));
    }
    addAction(QStringLiteral("ATransTip"), QString(), {});
    addAction(QStringLiteral("ATransIdentS"), QString(), {});

    // The field-layout toggle of the external-data toolbar.
    QAction *fields = addAction(QStringLiteral("BViewHelp"), QString(),
                                QStringLiteral("Показать расположение полей данных для записи в архив"));
    fields->setText(fields->toolTip());
    fields->setCheckable(true);
    fields->setIcon(toolIcon(ToolIcon::FieldLayout));
}

void TFMain::connectOwnActions()
{
    setActionHandler(QStringLiteral("ASelectTableAll"), [this] {
        if (currentGrid_)
            currentGrid_->selectAllRows();
    });
    setActionHandler(QStringLiteral("ARealLengthVector"), [] {});
    setActionHandler(QStringLiteral("BViewHelp"), [] {});
    connect(action(QStringLiteral("BViewHelp")), &QAction::toggled, fieldLayout_, &QWidget::setVisible);
    for (const QString &name : {QStringLiteral("DataSetFirst1"), QStringLiteral("DataSetPrior1"),
                                QStringLiteral("DataSetNext1"), QStringLiteral("DataSetLast1"),
                                QStringLiteral("DataSetPost1"), QStringLiteral("DataSetCancel1")})
        setActionHandler(name, [this, name] { onNavigator(name); });
}

void TFMain::buildMenus()
{
    QMenu *table = menuBar()->addMenu(QStringLiteral("Таблица"));
    table->setObjectName(QStringLiteral("MTable"));
    for (const char *n : {"APrintView", "APrint", "ASaveTableAS", "ASelectTableAll"})
        table->addAction(action(QLatin1String(n)));
    QMenu *setup = menuBar()->addMenu(QStringLiteral("Настройка"));
    setup->setObjectName(QStringLiteral("MSetup"));
    for (const char *n : {"Action5", "ARealLengthVector", "Action3"})
        setup->addAction(action(QLatin1String(n)));
    QMenu *report = menuBar()->addMenu(QStringLiteral("Отчет"));
    report->setObjectName(QStringLiteral("MReport"));
    QMenu *results = report->addMenu(QStringLiteral("Результаты поверки"));
    results->addAction(action(QStringLiteral("APArhive")));
    results->addAction(action(QStringLiteral("APSinhro")));
    QMenu *profiles = report->addMenu(QStringLiteral("Результаты среза профиля"));
    profiles->addAction(action(QStringLiteral("ASArhive")));
    profiles->addAction(action(QStringLiteral("ASSinhro")));
    QMenu *device = menuBar()->addMenu(QStringLiteral("Работа с прибором"));
    device->setObjectName(QStringLiteral("MDevice"));
    for (const char *n : {"AReadData", "AWriteBase", "ABaseDelAll"})
        device->addAction(action(QLatin1String(n)));
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Справка"));
    help->setObjectName(QStringLiteral("MHelp"));
    help->addAction(action(QStringLiteral("AHelp")));
    help->addAction(action(QStringLiteral("Action2")));
}

void TFMain::buildToolBars()
{
    pmControlBar_ = new QMenu(this);
    pmControlBar_->setObjectName(QStringLiteral("PMControlBar"));
    const QList<std::tuple<QString, QString, QString, QStringList>> bars = {
        {QStringLiteral("TBTable"), QStringLiteral("NTable"), QStringLiteral("Таблица"),
         {QStringLiteral("ASaveTableAS"), QStringLiteral("APrintView"), QStringLiteral("APrint")}},
        {QStringLiteral("TBData"), QStringLiteral("Narchive"), QStringLiteral("Работа с данными"),
         {QStringLiteral("ASelectDate"), QStringLiteral("AClearTable"), QStringLiteral("ACopyDate"),
          QStringLiteral("AShowProfile")}},
        {QStringLiteral("TBOutData"), QStringLiteral("NoutData"), QStringLiteral("Работа с внешними данными"),
         {QStringLiteral("AImportTable"), QStringLiteral("AExportTable"), QStringLiteral("BViewHelp")}},
        {QStringLiteral("TBNavigator"), QStringLiteral("NNavigator"), QStringLiteral("Навигатор"), kNavigatorNames}};
    for (const auto &[barName, itemName, title, names] : bars) {
        auto *bar = new QToolBar(title, this);
        bar->setObjectName(barName);
        bar->setMovable(true);
        bar->setFloatable(false);
        bar->setIconSize(QSize(24, 24));
        for (const QString &n : names)
            bar->addAction(action(n));
        addToolBar(Qt::TopToolBarArea, bar);
        toolBars_.insert(barName, bar);
        // The toolbar is shown by its check item only, so the item is the one truth.
        bar->toggleViewAction()->setVisible(false);
        QAction *item = pmControlBar_->addAction(title);
        item->setObjectName(itemName);
        item->setCheckable(true);
        item->setChecked(true);
        connect(item, &QAction::toggled, bar, &QWidget::setVisible);
        toolBarItems_.insert(itemName, item);
    }
}

QMenu *TFMain::createPopupMenu()
{
    auto *menu = new QMenu(this);
    menu->addActions(pmControlBar_->actions());
    return menu;
}

QToolBar *TFMain::toolBar(const QString &name) const
{
    return toolBars_.value(name);
}

QAction *TFMain::toolBarItem(const QString &name) const
{
    return toolBarItems_.value(name);
}

// ---------------------------------------------------------------- grids

TDBGrid *TFMain::makeGrid(const QString &name, DataView &view, const QList<ColumnSpec> &columns)
{
    auto *g = new TDBGrid(name, this);
    g->setGridModel(new GridModel(&view, columns, g));
    grids_.insert(name, g);
    wireGrid(g);
    return g;
}

void TFMain::wireGrid(TDBGrid *g)
{
    connect(g, &TDBGrid::entered, this, &TFMain::enterGrid);
    connect(g, &TDBGrid::left, this, &TFMain::onGridLeft);
    connect(g, &TDBGrid::rowsDropped, this, [this, g](TDBGrid *source, bool ordinary) { onGridDrop(g, source, ordinary); });
}

void TFMain::buildGrids()
{
    TDBGrid *buffer = makeGrid(QStringLiteral("DBGridTTipSinch"), dm_.ADOSinhro,
                               {col("PTipCH", QStringLiteral("Тип"), QStringLiteral("Тип счетчика")),
                                col("PReductRate", QStringLiteral("А, имп/кВт*ч"), QStringLiteral("Постоянная счетчика")),
                                col("PNumber", QStringLiteral("Номер"), QStringLiteral("Серийный номер счетчика")),
                                col("PAddress", QStringLiteral("Адрес"), QStringLiteral("Адресс счетчика"))});
    buffer->setSortable(true);
    TDBGrid *bufferResults = makeGrid(QStringLiteral("DBGridTSinhroResult"), dm_.ADOSinhroResult,
                                      resultColumns(QStringLiteral("Погр. , %")));
    makeGrid(QStringLiteral("DBGridDataProfileSinch"), dm_.ADOSDataProfile, profileDayColumns());
    makeGrid(QStringLiteral("DBGridEh2"), dm_.ADOSinhroProfile, profileSliceColumns());
    TDBGrid *external = makeGrid(QStringLiteral("DBGridSQL"), dm_.ADODataSetSQL, {});

    TDBGrid *types = makeGrid(
        QStringLiteral("DBGridTtip"), dm_.ADOTip,
        {col("PTipCH", QStringLiteral("Тип"), QStringLiteral("Тип")),
         col("PUnom", QStringLiteral("Uном, В"), QStringLiteral("Номинальное напряжение")),
         col("PInom", QStringLiteral("Iном, А"), QStringLiteral("Номинальный ток")),
         col("PReductRate", QStringLiteral("А, имп/кВт*ч"), QStringLiteral("Постоянная счетчика")),
         col("PClassT", QStringLiteral("Класс точности")),
         coded("PPhaseMode", QStringLiteral("Сх. включения"),
               {QStringLiteral("1Ф2П"), QStringLiteral("3Ф3П"), QStringLiteral("3Ф4П"), QStringLiteral("-")}),
         coded("PTipEnergy", QStringLiteral("Энергия"),
               {QStringLiteral("активная"), QStringLiteral("реактивная"), QStringLiteral("-")})});
    types->setSortable(true);
    types->setEditableInPlace(true);
    TDBGrid *meters = makeGrid(QStringLiteral("DBGridTIdent"), dm_.ADOIdent,
                               {col("PNumber", QStringLiteral("Номер")), col("PMaker", QStringLiteral("Изготовитель")),
                                col("PYearOutput", QStringLiteral("Год выпуска")),
                                col("PAddress", QStringLiteral("Адрес"))});
    meters->setSortable(true, QStringLiteral("PSecindex ASC, "));
    meters->setEditableInPlace(true);
    TDBGrid *archiveResults = makeGrid(QStringLiteral("DBGridTResult"), dm_.ADOResult, resultColumns(QStringLiteral("Погр, %")));
    makeGrid(QStringLiteral("DBGridDataProfile"), dm_.ADODataProfile, profileDayColumns());
    makeGrid(QStringLiteral("DBGridProfile"), dm_.ADOProfile, profileSliceColumns());

    for (TDBGrid *source : {buffer, types, meters, external})
        source->setDragSource(true);
    types->acceptDropsFrom({buffer, external});
    meters->acceptDropsFrom({buffer, external});
    buffer->acceptDropsFrom({types, meters});

    // Input in a results grid refreshes the detail panel.
    for (TDBGrid *results : {bufferResults, archiveResults})
        connect(results, &TDBGrid::userInput, this, [this] { refreshDetailPanel(); });

    // The detail panel: one row of the results view last entered.
    const QStringList powerTypes = {QStringLiteral("Активная"), QStringLiteral("Реактивная")};
    const QStringList conTypes = {QStringLiteral("3Ф4П"), QStringLiteral("3Ф3П"), QStringLiteral("1Ф2П")};
    upperModel_ = new CurrentRowModel(
        {col("PPowerPMeasure", QStringLiteral("P, Вт"), {}, QStringLiteral("0.###")),
         col("PPowerQMeasure", QStringLiteral("Q, Вар"), {}, QStringLiteral("0.###")),
         col("PPowerSMeasure", QStringLiteral("S, ВA"), {}, QStringLiteral("0.###")),
         col("PINDICATION", QStringLiteral("Показание сч. пр.")),
         col("PIndicationInverse", QStringLiteral("Показание сч. обр.")),
         coded("PPowerType", QStringLiteral("Энергия"), powerTypes),
         coded("PConType", QStringLiteral("Сх. вкл."), conTypes),
         hidden(coded("PPhaseIndex", QStringLiteral("Раб. фаза."), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}))},
        this);
    const QString u = QStringLiteral("0.##"), i = QStringLiteral("0.####");
    lowerModel_ = new CurrentRowModel(
        {col("PUMeasureA", QStringLiteral("U1, В"), {}, u), col("PUMeasureB", QStringLiteral("U2, В"), {}, u),
         col("PUMeasureC", QStringLiteral("U3, В"), {}, u), col("PUMeasureAB", QStringLiteral("U12, B"), {}, u),
         col("PUMeasureBC", QStringLiteral("U23, B"), {}, u), col("PUMeasureCA", QStringLiteral("U31, B"), {}, u),
         col("PIMeasureA", QStringLiteral("I1, А"), {}, i), col("PIMeasureB", QStringLiteral("I2, А"), {}, i),
         col("PIMeasureC", QStringLiteral("I3, А"), {}, i), col("PRectUA", QStringLiteral("U1^U2, град"), {}, u),
         col("PRectUB", QStringLiteral("U2^U3, град"), {}, u), col("PRectUC", QStringLiteral("U3^U1, град"), {}, u),
         col("PRectIA", QStringLiteral("U1^I1, град"), {}, u), col("PRectIB", QStringLiteral("U2^I2, град"), {}, u),
         col("PRectIC", QStringLiteral("U3^I3, град"), {}, u)},
        this);
    dbGridDop1_ = new TDBGrid(QStringLiteral("DBGridDop1"), this);
    dbGridDop_ = new TDBGrid(QStringLiteral("DBGridDop"), this);
    for (auto [g, m] : {std::pair{dbGridDop1_, upperModel_}, std::pair{dbGridDop_, lowerModel_}}) {
        g->setPlainModel(m);
        g->setMultiSelect(false);
        for (int c = 0; c < m->columnCount(); ++c)
            g->setColumnHidden(c, m->columnDef(c).hidden);
        g->applyColumns();
        g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        g->setFixedHeight(g->horizontalHeader()->sizeHint().height() + g->verticalHeader()->defaultSectionSize()
                          + 2 * g->frameWidth() + 2);
        connect(g, &TDBGrid::userInput, this, [this] { refreshDetailPanel(); });
        connect(m, &QAbstractItemModel::modelReset, g, [g, m] {
            for (int c = 0; c < m->columnCount(); ++c)
                g->setColumnHidden(c, m->columnDef(c).hidden);
            g->applyColumns();
        });
    }
}

TDBGrid *TFMain::grid(const QString &name) const
{
    if (name == QLatin1String("DBGridDop1"))
        return dbGridDop1_;
    if (name == QLatin1String("DBGridDop"))
        return dbGridDop_;
    return grids_.value(name);
}

QList<TDBGrid *> TFMain::grids() const
{
    return grids_.values();
}

// ---------------------------------------------------------------- layout

QWidget *TFMain::buildWorkArea()
{
    auto *global = new QWidget(this);
    global->setObjectName(QStringLiteral("PGlobal"));
    auto *outer = new QVBoxLayout(global);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->setSpacing(2);

    auto *row = new QHBoxLayout;
    row->setSpacing(2);
    const auto strip = [this, global](const QString &name, const QString &caption, QCheckBox **box, const QString &hint) {
        auto *panel = new QFrame(global);
        panel->setObjectName(name);
        panel->setFrameShape(QFrame::StyledPanel);
        auto *l = new QVBoxLayout(panel);
        l->setContentsMargins(2, 4, 2, 4);
        *box = new QCheckBox(panel);
        (*box)->setChecked(true);
        (*box)->setToolTip(hint);
        l->addWidget(*box, 0, Qt::AlignHCenter);
        l->addWidget(new VerticalCaption(caption, panel), 0, Qt::AlignHCenter);
        l->addStretch(1);
        Q_UNUSED(this);
        return panel;
    };
    QWidget *left = strip(QStringLiteral("PControlOutData"), QStringLiteral("Буфер обмена"), &cbControlOutData_,
                          QStringLiteral("Показать или скрыть буфер обмена"));
    QWidget *right = strip(QStringLiteral("PControlArhive"), QStringLiteral("Архив"), &cbControlArhive_,
                           QStringLiteral("Показать или скрыть архив"));

    panel1_ = new QSplitter(Qt::Horizontal, global);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setChildrenCollapsible(false);
    pOutData_ = buildBufferPane();
    pArchiv_ = buildArchivePane();
    panel1_->addWidget(pOutData_);
    panel1_->addWidget(pArchiv_);
    panel1_->setStretchFactor(0, 0);
    panel1_->setStretchFactor(1, 1);

    row->addWidget(left);
    row->addWidget(panel1_, 1);
    row->addWidget(right);
    outer->addLayout(row, 1);
    detailPanel_ = buildDetailPanel();
    outer->addWidget(detailPanel_);
    detailPanel_->hide();

    connect(cbControlOutData_, &QCheckBox::toggled, this, &TFMain::onBufferPaneToggled);
    connect(cbControlArhive_, &QCheckBox::toggled, this, &TFMain::onArchivePaneToggled);
    return global;
}

QWidget *TFMain::buildBufferPane()
{
    auto *pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("POutData"));
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    pcData_ = new QTabWidget(pane);
    pcData_->setObjectName(QStringLiteral("PCData"));
    layout->addWidget(pcData_);

    // Device work: the buffer meters over their results and profiles.
    auto *device = new QSplitter(Qt::Vertical, pcData_);
    device->setObjectName(QStringLiteral("TSSinhroData"));
    device->setChildrenCollapsible(false);
    QWidget *caption = captionBar(QStringLiteral("Параметры счетчиков"), device, &bufferCount_);
    device->addWidget(withCaption(caption, grid(QStringLiteral("DBGridTTipSinch")), device));
    pageControl3_ = new QTabWidget(device);
    pageControl3_->setObjectName(QStringLiteral("PageControl3"));
    pageControl3_->addTab(grid(QStringLiteral("DBGridTSinhroResult")), QStringLiteral("Результаты поверки"));
    auto *profiles = new QSplitter(Qt::Horizontal, pageControl3_);
    profiles->addWidget(grid(QStringLiteral("DBGridDataProfileSinch")));
    profiles->addWidget(grid(QStringLiteral("DBGridEh2")));
    profiles->setStretchFactor(1, 1);
    profiles->setSizes({220, 500});
    pageControl3_->addTab(profiles, QStringLiteral("Результаты среза профиля"));
    device->addWidget(pageControl3_);
    device->setStretchFactor(0, 1);
    device->setStretchFactor(1, 1);
    pcData_->addTab(device, QStringLiteral("Работа с прибором"));

    // External data: the field-layout strip over the external-data grid.
    auto *external = new QWidget(pcData_);
    external->setObjectName(QStringLiteral("TSExtData"));
    auto *el = new QVBoxLayout(external);
    el->setContentsMargins(0, 0, 0, 0);
    el->setSpacing(0);
    fieldLayout_ = new QFrame(external);
    fieldLayout_->setObjectName(QStringLiteral("PFieldLayout"));
    static_cast<QFrame *>(fieldLayout_)->setFrameShape(QFrame::StyledPanel);
    auto *fl = new QHBoxLayout(fieldLayout_);
    fl->setContentsMargins(6, 4, 6, 4);
    for (const auto &[first, second] : {std::pair{QStringLiteral("Номер "), QStringLiteral("String[9]")},
                                        std::pair{QStringLiteral("Производитель"), QStringLiteral("String[16]")},
                                        std::pair{QStringLiteral("Год выпуска"), QStringLiteral("Integer")},
                                        std::pair{QStringLiteral("Адрес"), QStringLiteral("String[16]")}}) {
        auto *label = new QLabel(first + QLatin1Char('\n') + second, fieldLayout_);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMargin(3);
        fl->addWidget(label, 1);
    }
    el->addWidget(fieldLayout_);
    el->addWidget(grid(QStringLiteral("DBGridSQL")), 1);
    pcData_->addTab(external, QStringLiteral("Работа с внешними данными"));

    connect(pcData_, &QTabWidget::currentChanged, this, &TFMain::onPageChanged);
    return pane;
}

QWidget *TFMain::buildArchivePane()
{
    auto *pane = new QSplitter(Qt::Vertical, this);
    pane->setObjectName(QStringLiteral("PArchiv"));
    pane->setChildrenCollapsible(false);
    pane->addWidget(withCaption(captionBar(QStringLiteral("Типы счетчиков"), pane), grid(QStringLiteral("DBGridTtip")), pane));
    QWidget *metersCaption = captionBar(QStringLiteral("Сведения о счетчиках типа    "), pane, nullptr, &typeName_);
    typeName_->setObjectName(QStringLiteral("LTipName"));
    pane->addWidget(withCaption(metersCaption, grid(QStringLiteral("DBGridTIdent")), pane));
    pageControl2_ = new QTabWidget(pane);
    pageControl2_->setObjectName(QStringLiteral("PageControl2"));
    pageControl2_->setTabPosition(QTabWidget::South);
    pageControl2_->addTab(grid(QStringLiteral("DBGridTResult")), QStringLiteral("Результаты поверки"));
    auto *profiles = new QSplitter(Qt::Horizontal, pageControl2_);
    profiles->addWidget(grid(QStringLiteral("DBGridDataProfile")));
    profiles->addWidget(grid(QStringLiteral("DBGridProfile")));
    profiles->setStretchFactor(1, 1);
    profiles->setSizes({220, 500});
    pageControl2_->addTab(profiles, QStringLiteral("Результаты среза профиля"));
    pane->addWidget(pageControl2_);
    pane->setStretchFactor(0, 2);
    pane->setStretchFactor(1, 2);
    pane->setStretchFactor(2, 3);
    return pane;
}

QWidget *TFMain::buildDetailPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PDop"));
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(dbGridDop1_);
    layout->addWidget(dbGridDop_);
    return panel;
}

void TFMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    for (auto it = toolBarItems_.constBegin(); it != toolBarItems_.constEnd(); ++it) {
        const QString bar = it.key() == QLatin1String("NTable")   ? QStringLiteral("TBTable")
                            : it.key() == QLatin1String("Narchive") ? QStringLiteral("TBData")
                            : it.key() == QLatin1String("NoutData") ? QStringLiteral("TBOutData")
                                                                    : QStringLiteral("TBNavigator");
        toolBars_.value(bar)->setVisible(it.value()->isChecked());
    }
    applyPaneWidths();
    // A maximised window gets its final size a moment later.
    QTimer::singleShot(0, this, [this] { applyPaneWidths(); });
}

void TFMain::applyPaneWidths()
{
    if (!pArchiv_->isHidden() && !pOutData_->isHidden()) {
        const int total = std::max(panel1_->width() - panel1_->handleWidth(), 2);
        const int buffer = std::clamp(bufferWidth_, 1, std::max(1, total - 150));
        panel1_->setSizes({buffer, std::max(1, total - buffer)});
    }
}

int TFMain::bufferPaneWidth() const
{
    if (pOutData_->isHidden() || pArchiv_->isHidden() || !isVisible())
        return bufferWidth_;
    return pOutData_->width();
}

int TFMain::archivePaneWidth() const
{
    if (pArchiv_->isHidden() || !isVisible())
        return archiveWidth_;
    return pArchiv_->width();
}

void TFMain::onBufferPaneToggled(bool checked)
{
    if (!checked) {
        bufferWidth_ = bufferPaneWidth();
        pOutData_->hide();
    } else {
        pOutData_->show();
        applyPaneWidths();
    }
}

void TFMain::onArchivePaneToggled(bool checked)
{
    if (!checked) {
        bufferWidth_ = bufferPaneWidth();
        archiveWidth_ = archivePaneWidth();
        pArchiv_->hide();
    } else {
        pArchiv_->show();
        applyPaneWidths();
    }
}

void TFMain::restoreLayout()
{
    auto s = openAppSettings();
    const auto flag = [&s](const char *key) { return s->value(QLatin1String(key), true).toBool(); };
    const auto number = [&s](const char *key, int fallback) {
        bool ok = false;
        const int v = s->value(QLatin1String(key), fallback).toInt(&ok);
        return ok && v > 0 ? v : fallback;
    };
    const auto tab = [&s](const char *key, QTabWidget *tabs, int fallback) {
        bool ok = false;
        const int v = s->value(QLatin1String(key), fallback).toInt(&ok);
        tabs->setCurrentIndex(ok && v >= 0 && v < tabs->count() ? v : fallback);
    };
    action(QStringLiteral("ARealLengthVector"))->setChecked(flag(kRealLengthVector));
    archiveWidth_ = number(kArchiveWidth, archiveWidth_);
    bufferWidth_ = number(kBufferWidth, bufferWidth_);
    tab(kArchiveTab, pageControl2_, 1);
    tab(kLeftPage, pcData_, 0);
    tab(kBufferTab, pageControl3_, 1);
    toolBarItems_.value(QStringLiteral("Narchive"))->setChecked(flag(kDataBar));
    toolBarItems_.value(QStringLiteral("NNavigator"))->setChecked(flag(kNavigatorBar));
    toolBarItems_.value(QStringLiteral("NoutData"))->setChecked(flag(kOutDataBar));
    toolBarItems_.value(QStringLiteral("NTable"))->setChecked(flag(kTableBar));
    cbControlArhive_->setChecked(flag(kArchiveShown));
    cbControlOutData_->setChecked(flag(kBufferShown));
}

void TFMain::saveLayout() const
{
    auto s = openAppSettings();
    s->setValue(QLatin1String(kRealLengthVector), action(QStringLiteral("ARealLengthVector"))->isChecked());
    s->setValue(QLatin1String(kArchiveWidth), archivePaneWidth());
    s->setValue(QLatin1String(kArchiveTab), pageControl2_->currentIndex());
    s->setValue(QLatin1String(kBufferWidth), bufferPaneWidth());
    s->setValue(QLatin1String(kLeftPage), pcData_->currentIndex());
    s->setValue(QLatin1String(kBufferTab), pageControl3_->currentIndex());
    s->setValue(QLatin1String(kArchiveShown), cbControlArhive_->isChecked());
    s->setValue(QLatin1String(kBufferShown), cbControlOutData_->isChecked());
    s->setValue(QLatin1String(kDataBar), toolBarItems_.value(QStringLiteral("Narchive"))->isChecked());
    s->setValue(QLatin1String(kNavigatorBar), toolBarItems_.value(QStringLiteral("NNavigator"))->isChecked());
    s->setValue(QLatin1String(kOutDataBar), toolBarItems_.value(QStringLiteral("NoutData"))->isChecked());
    s->setValue(QLatin1String(kTableBar), toolBarItems_.value(QStringLiteral("NTable"))->isChecked());
    s->sync();
}

void TFMain::readLanguage()
{
    auto s = openAppSettings();
    if (s->value(QStringLiteral("Lang")).toString().isEmpty())
        s->setValue(QStringLiteral("Lang"), QStringLiteral("Russian"));
    if (s->value(QStringLiteral("Lang")).toString() == QLatin1String("English")) {
        helpFile_ = QDir::current().filePath(QStringLiteral("help/RT519_eng.HLP"));
        // The window's own English texts come with the language file reader.
        Messages::switchToEnglish();
    }
}

// ---------------------------------------------------------------- behaviour

void TFMain::onPageChanged(int index)
{
    QToolBar *external = toolBars_.value(QStringLiteral("TBOutData"));
    if (index == 0) {
        setWanted(QStringLiteral("AExportTable"), false);
        setWanted(QStringLiteral("AImportTable"), false);
        external->setEnabled(false);
        setWanted(QStringLiteral("ACopyDate"), true);
    } else {
        updateExportEnabling();
        setWanted(QStringLiteral("AImportTable"), true);
        external->setEnabled(true);
        setWanted(QStringLiteral("ACopyDate"), false);
    }
}

void TFMain::setExtDataState(int state)
{
    extDataState_ = state;
    updateExportEnabling();
}

void TFMain::updateExportEnabling()
{
    setWanted(QStringLiteral("AExportTable"), extDataState_ == 1);
}

void TFMain::updateBufferCount()
{
    bufferCount_->setText(QStringLiteral("Количество счетчиков - ") + QString::number(dm_.ADOSinhro.recordCount())
                          + QLatin1Char(' '));
}

void TFMain::enterGrid(TDBGrid *g)
{
    if (!g)
        return;
    currentGrid_ = g;
    navigatorGrid_ = g;
    TDBGrid *archiveResults = grid(QStringLiteral("DBGridTResult"));
    TDBGrid *bufferResults = grid(QStringLiteral("DBGridTSinhroResult"));
    DataView *bind = nullptr;
    if (g == archiveResults && !dm_.ADOResult.isEmpty())
        bind = &dm_.ADOResult;
    else if (g == bufferResults && !dm_.ADOSinhroResult.isEmpty())
        bind = &dm_.ADOSinhroResult;
    if (bind) {
        detailView_ = bind;
        upperModel_->setView(bind);
        lowerModel_->setView(bind);
        detailPanel_->show();
        refreshDetailPanel();
    } else {
        detailPanel_->hide();
    }
    setWanted(QStringLiteral("AShowProfile"), g == archiveResults || g == bufferResults
                                                  || g == grid(QStringLiteral("DBGridDataProfile"))
                                                  || g == grid(QStringLiteral("DBGridDataProfileSinch")));
    updateNavigator();
}

void TFMain::onGridLeft(TDBGrid *g)
{
    if (g == grid(QStringLiteral("DBGridTTipSinch")) && currentGrid_ == g)
        currentGrid_ = nullptr;
}

void TFMain::onGridDrop(TDBGrid *target, TDBGrid *source, bool ordinaryCursor)
{
    TDBGrid *buffer = grid(QStringLiteral("DBGridTTipSinch"));
    if (target == buffer) {
        if (source == grid(QStringLiteral("DBGridTtip")))
            action(QStringLiteral("ATransTip"))->trigger();
        else if (source == grid(QStringLiteral("DBGridTIdent")))
            action(QStringLiteral("ATransIdentS"))->trigger();
        return;
    }
    // From an empty buffer grid nothing is copied.
    if (source == buffer && !ordinaryCursor)
        return;
    emit gridRowsDropped(target, source);
}

void TFMain::onNavigator(const QString &name)
{
    const bool moves = name != QLatin1String("DataSetPost1") && name != QLatin1String("DataSetCancel1");
    if (moves && currentGrid_)
        currentGrid_->clearRowSelection();
    DataView *view = navigatorGrid_ ? navigatorGrid_->dataView() : nullptr;
    if (!view || !view->isActive())
        return;
    if (name == QLatin1String("DataSetFirst1"))
        view->first();
    else if (name == QLatin1String("DataSetPrior1"))
        view->prior();
    else if (name == QLatin1String("DataSetNext1"))
        view->next();
    else if (name == QLatin1String("DataSetLast1"))
        view->last();
    else if (name == QLatin1String("DataSetPost1")) {
        navigatorGrid_->commitOpenEditor();
        if (view->isEditing())
            view->post();
    } else if (name == QLatin1String("DataSetCancel1")) {
        navigatorGrid_->discardOpenEditor();
        view->cancel();
    }
    updateNavigator();
}

void TFMain::updateNavigator()
{
    if (!isEnabled())
        return;   // an exchange runs; brought up to date when the window is enabled again
    DataView *view = navigatorGrid_ ? navigatorGrid_->dataView() : nullptr;
    const bool active = view && view->isActive();
    const int row = active ? view->currentRow() : -1;
    const int count = active ? view->recordCount() : 0;
    const bool editing = active && view->isEditing();
    const bool writable = active && !view->isReadOnly();
    setWanted(QStringLiteral("DataSetFirst1"), active && row > 0);
    setWanted(QStringLiteral("DataSetPrior1"), active && row > 0);
    setWanted(QStringLiteral("DataSetNext1"), active && row >= 0 && row < count - 1);
    setWanted(QStringLiteral("DataSetLast1"), active && row >= 0 && row < count - 1);
    setWanted(QStringLiteral("DataSetInsert1"), writable);
    setWanted(QStringLiteral("DataSetDelete1"), writable && count > 0);
    setWanted(QStringLiteral("DataSetPost1"), editing);
    setWanted(QStringLiteral("DataSetCancel1"), editing);
}

void TFMain::refreshDetailPanel()
{
    if (!detailView_)
        return;
    upperModel_->refresh();
    lowerModel_->refresh();
    if (currentGrid_ != grid(QStringLiteral("DBGridTResult")) && currentGrid_ != grid(QStringLiteral("DBGridTSinhroResult")))
        return;
    const QVariant conType = detailView_->field(u"PConType");
    if (conType.isNull() || !conType.isValid())
        return;
    applyDetailColumns(conType.toInt());
}

void TFMain::applyDetailColumns(int conType)
{
    if (conType < 0 || conType > 2)
        return;   // other values leave the columns as they were
    enum { U1, U2, U3, U12, U23, U31, I1, I2, I3, AngleU12, AngleU23, AngleU31, AngleI1, AngleI2, AngleI3 };
    const auto show = [this](int column, bool visible) { dbGridDop_->setColumnHidden(column, !visible); };
    const auto valueOf = [this](const char *field) { return detailView_->field(QString::fromLatin1(field)); };
    const bool fourWire = conType == 0, threeWire = conType == 1, singlePhase = conType == 2;
    show(U1, !threeWire);
    show(U2, fourWire);
    show(U3, fourWire);
    show(U12, threeWire);
    show(U23, threeWire);
    show(U31, false);
    show(I1, true);
    show(I2, fourWire);
    show(I3, !singlePhase);
    if (singlePhase) {
        // The single-phase angle is the one from U1 to I1: the first angle column
        // shows that value under its title.
        lowerModel_->setColumnField(AngleU12, QStringLiteral("PRectIA"));
        lowerModel_->setColumnTitle(AngleU12, msg(9));
        show(AngleU12, !holds999(valueOf("PRectIA")));
        for (int c : {AngleU23, AngleU31, AngleI1, AngleI2, AngleI3})
            show(c, false);
    } else {
        lowerModel_->setColumnField(AngleU12, QStringLiteral("PRectUA"));
        lowerModel_->setColumnTitle(AngleU12, msg(8));
        show(AngleU12, !holds999(valueOf("PRectUA")));
        show(AngleU23, !holds999(valueOf("PRectUB")));
        show(AngleU31, !holds999(valueOf("PRectUC")));
        show(AngleI1, !holds999(valueOf("PRectIA")));
        show(AngleI2, fourWire && !holds999(valueOf("PRectIB")));
        show(AngleI3, !holds999(valueOf("PRectIC")));
    }
    dbGridDop1_->setColumnHidden(upperModel_->columnOf(QStringLiteral("PPowerSMeasure")), threeWire);
}
