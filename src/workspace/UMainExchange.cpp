// TFMain's work with the device: the read, write and erase commands, the port they
// share, the emptying of the exchange buffer, and the engine's events that feed the
// progress window, the intake and the outgoing meter list.
#include "UMain.h"

#include "BufferIntake.h"
#include "DBGrid.h"
#include "DeviceItems.h"
#include "Messages.h"
#include "OutgoingRecord.h"
#include "Prompts.h"
#include "TDM.h"
#include "UFrame.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTabWidget>

namespace {

// Switchable messages of the device commands.
enum : int {
    kErrorCaption = 37,
    kQueryFailed = 39,
    kClearQuestion = 40,
    kDeleteCaption = 41,
    kNoData = 44,
    kReadQuestion = 48,
    kPortFailed = 49,
    kEraseQuestion = 52,
};

QString informationCaption()
{
    return Messages::isEnglish() ? QStringLiteral("Information") : QStringLiteral("Информация");
}

void showPortFailure()
{
    showMessage(msg(kPortFailed), msg(kErrorCaption), PromptIcon::Error);
}

BufferMeterRow meterRowAt(const DataView &meters, int row)
{
    auto text = [&](const char16_t *name) { return meters.value(row, meters.fieldIndex(name)).toString(); };
    const QVariant constant = meters.value(row, meters.fieldIndex(u"PReductRate"));
    return BufferMeterRow{text(u"PAddress"), text(u"PNumber"), text(u"PTipCH"),
                          constant.isNull() ? std::nullopt : std::optional<double>(constant.toDouble())};
}

std::vector<BufferMeterRow> meterRows(const DataView &meters)
{
    std::vector<BufferMeterRow> rows;
    rows.reserve(meters.recordCount());
    for (int r = 0; r < meters.recordCount(); ++r)
        rows.push_back(meterRowAt(meters, r));
    return rows;
}

}  // namespace

void TFMain::connectExchange()
{
    asynComAscii1_ = std::make_unique<TAsynComAscii>();
    fFrame_ = std::make_unique<TFFrame>();
    fFrame_->setAnchor(this);
    connect(fFrame_.get(), &TFFrame::shown, this, &TFMain::onExchangeWindowShown);
    connect(fFrame_.get(), &TFFrame::closed, this, &TFMain::onExchangeWindowClosed);

    TAsynComAscii &engine = *asynComAscii1_;
    engine.OnBeginFrame = [this] { AsynComAscii1BeginFrame(); };
    engine.OnEndFrame = [this] { AsynComAscii1EndFrame(); };
    engine.OnSetError = [this](TTransError error) { AsynComAscii1SetError(error); };
    engine.OnReadBuffer = [this](const QByteArray &s, const TPortStatus &, quint32, quint32) {
        AsynComAscii1ReadBuffer(s);
    };
    engine.OnWriteBuffer = [this](const QByteArray &s) { AsynComAscii1WriteBuffer(s); };
    engine.OnReadIdent = [this](const QString &maker, QChar rate, const QString &text) {
        AsynComAscii1ReadIdent(maker, rate, text);
    };
    engine.OnReadBase = [this](const QString &data) { AsynComAscii1ReadBase(data); };
    engine.OnWriteBase = [this] { AsynComAscii1WriteBase(); };

    setActionHandler(QStringLiteral("AReadData"), [this] { readDevice(); });
    setActionHandler(QStringLiteral("AWriteBase"), [this] { writeDevice(); });
    setActionHandler(QStringLiteral("ABaseDelAll"), [this] { eraseDevice(); });
    setActionHandler(QStringLiteral("AClearTable"), [this] { clearPageInFront(); });
}

// ---------------------------------------------------------------- commands

bool TFMain::OpenPort()
{
    return asynComAscii1_->Open();
}

void TFMain::readDevice()
{
    if (!OpenPort()) {
        showPortFailure();
        return;
    }
    if (!askYesNo(msg(kReadQuestion), msg(kDeleteCaption), PromptIcon::Question)) {
        asynComAscii1_->Close();   // nothing else would close it until the next exchange
        return;
    }
    ClearExchangeBuffer();
    intake_ = std::make_unique<BufferIntake>(dm_);
    asynComAscii1_->StartExchange('0');
}

void TFMain::writeDevice()
{
    if (dm_.ADOSinhro.isEmpty()) {
        showMessage(msg(kNoData), informationCaption(), PromptIcon::Information);
        return;
    }
    if (!checkMetersSendable(meterRows(dm_.ADOSinhro)))
        return;
    if (!OpenPort()) {
        showPortFailure();
        return;
    }
    asynComAscii1_->StartExchange('1');
}

void TFMain::eraseDevice()
{
    if (!askYesNo(msg(kEraseQuestion), msg(kDeleteCaption), PromptIcon::Warning))
        return;
    if (!OpenPort()) {
        showPortFailure();
        return;
    }
    asynComAscii1_->StartExchange('2');
}

void TFMain::clearPageInFront()
{
    if (!askYesNo(msg(kClearQuestion), msg(kDeleteCaption), PromptIcon::Question))
        return;
    if (leftPages()->currentIndex() == 1) {
        dm_.ADODataSetSQL.close();
        setExtDataState(2);
        onPageChanged(1);
        return;
    }
    ClearExchangeBuffer();
}

void TFMain::ClearExchangeBuffer()
{
    for (DataView *view : {&dm_.ADOSinhroProfile, &dm_.ADOSinhroResult, &dm_.ADOSDataProfile, &dm_.ADOSinhro})
        view->close();
    // Profile days go too: left behind, they would attach to the next meter given their key.
    for (const char *table : {"TSResult", "TSProfile", "TSDataProfile", "TSTip"}) {
        dm_.ADOExport.setSql(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
        if (!dm_.ADOExport.execute()) {
            showMessage(msg(kQueryFailed), msg(kErrorCaption), PromptIcon::Error);
            break;
        }
    }
    for (DataView *view : {&dm_.ADOSinhro, &dm_.ADOSDataProfile, &dm_.ADOSinhroResult, &dm_.ADOSinhroProfile})
        view->open();
    updateBufferCount();
}

// ---------------------------------------------------------------- progress window

void TFMain::ShowExchangeWindow()
{
    fFrame_->prepare(asynComAscii1_->PortName());
    setEnabled(false);
    fFrame_->show();
    fFrame_->raise();
}

QList<DataView *> TFMain::suspendedDuringExchange() const
{
    return {&dm_.ADOSinhroResult, &dm_.ADOSDataProfile, &dm_.ADOSinhroProfile};
}

void TFMain::onExchangeWindowShown()
{
    // Intake must not redraw the result, day and slice grids row by row: a long read
    // would spend most of its time repainting the buffer pane. The window's shown()
    // and closed() come in pairs, so suspending and resuming stay balanced.
    for (DataView *view : suspendedDuringExchange())
        view->disableControls();
}

void TFMain::onExchangeWindowClosed()
{
    setEnabled(true);
    // Closed mid-exchange: stop awaiting the device, so no time-out follows the user's close.
    const bool cancelled = asynComAscii1_->ExchangeState() != stIdle;
    if (cancelled)
        asynComAscii1_->ResetExchange();
    asynComAscii1_->Close();
    for (DataView *view : suspendedDuringExchange())
        view->enableControls();
    finishIntake(cancelled);
    updateBufferCount();
    updateNavigator();
}

void TFMain::finishIntake(bool cancelled)
{
    if (!intake_)
        return;
    IntakeCounts counts = intake_->finish();
    intake_.reset();
    if (cancelled)
        counts.unfinishedRecords = 0;   // the user stopped the read; the rest was never sent
    showIntakeReport(counts);
}

// ---------------------------------------------------------------- engine events

void TFMain::AsynComAscii1BeginFrame()
{
    ShowExchangeWindow();
    dm_.ADOSinhro.first();   // a write sends from the first meter
}

void TFMain::AsynComAscii1EndFrame()
{
    fFrame_->close();   // its close brings the buffer count up to date
}

void TFMain::AsynComAscii1SetError(TTransError)
{
    fFrame_->showFailure();
}

void TFMain::AsynComAscii1ReadBuffer(const QByteArray &S)
{
    fFrame_->addReceived(S.size());
}

void TFMain::AsynComAscii1WriteBuffer(const QByteArray &S)
{
    fFrame_->addSent(S.size());
}

void TFMain::AsynComAscii1ReadIdent(const QString &XXX, QChar Z, const QString &Ident)
{
    ident_ = {XXX, Ident, Z};
    if (const std::optional<QString> rate = rateLabelText(Z))
        fFrame_->setRateText(*rate);
}

void TFMain::AsynComAscii1ReadBase(const QString &Data)
{
    if (Data.isEmpty()) {
        showMessage(msg(kNoData), informationCaption(), PromptIcon::Information);
        return;
    }
    if (intake_ && !intake_->take(Data)) {
        // The store refused a row and said why; rows already stored stay.
        asynComAscii1_->ResetExchange();
        asynComAscii1_->Close();
        fFrame_->showFailure();
        return;
    }
    // Let the windows repaint between deliveries of a long read.
    QCoreApplication::processEvents();
}

void TFMain::AsynComAscii1WriteBase()
{
    DataView &meters = dm_.ADOSinhro;
    if (meters.eof() || meters.isEmpty()) {
        asynComAscii1_->EndExchange();
        return;
    }
    const BufferMeterRow row = meterRowAt(meters, meters.currentRow());
    meters.next();
    asynComAscii1_->SendData(meterRecordFrame(row, QLocale().decimalPoint()));
}
