#include "UCom.h"

#include "AppSettings.h"
#include "AsynCom.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

const QString comNumKey = QStringLiteral("ComNum");
constexpr QSize clientSize(216, 141);
constexpr int columns = 2;

// Offered when the system lists no port at all: the usual first two serial devices,
// so the user still has something to pick and the exchange reports the missing port.
QStringList fallbackPorts()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("COM1"), QStringLiteral("COM2")};
#else
    return {QStringLiteral("ttyS0"), QStringLiteral("ttyS1")};
#endif
}

// The remembered position; 0 when the setting is missing or not a number.
int rememberedPosition()
{
    bool ok = false;
    const int position = openAppSettings()->value(comNumKey).toString().trimmed().toInt(&ok);
    return ok ? position : 0;
}

// A port name is shown as it is; "&" would otherwise become a shortcut marker.
QString buttonText(const QString &entry)
{
    QString text = entry;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

TFCom::TFCom(TAsynCom &engine, QWidget *parent) : QDialog(parent), engine_(engine)
{
    setWindowTitle(QStringLiteral("Выбор порта"));
    listPorts();
    buildControls();
    selectRemembered();
    apply();
}

void TFCom::listPorts()
{
    TAsynCom::EnumPorts(entries_);
    if (entries_.isEmpty()) entries_ = fallbackPorts();
}

void TFCom::buildControls()
{
    RGCom = new QGroupBox(QStringLiteral("Доступные порты"));
    auto *grid = new QGridLayout(RGCom);
    buttons_ = new QButtonGroup(this);
    // Filled column by column: the first half of the list down the left column.
    const int perColumn = (entries_.size() + columns - 1) / columns;
    for (int i = 0; i < entries_.size(); ++i) {
        auto *button = new QRadioButton(buttonText(entries_.at(i)));
        buttons_->addButton(button, i);
        grid->addWidget(button, i % perColumn, i / perColumn);
    }
    grid->setRowStretch(perColumn, 1);

    BitBtn1 = new QPushButton(QStringLiteral("OK"));
    BitBtn2 = new QPushButton(QStringLiteral("Отмена"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        apply();
        accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(BitBtn1);
    buttonRow->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(RGCom, 1);
    layout->addLayout(buttonRow);

    // A fixed border: the usual size, larger only when the list needs it.
    setFixedSize(sizeHint().expandedTo(clientSize));
}

int TFCom::selectedIndex() const { return buttons_->checkedId(); }

QString TFCom::selectedEntry() const
{
    const int index = selectedIndex();
    return index < 0 ? QString() : entries_.at(index);
}

void TFCom::setSelectedIndex(int index)
{
    if (QAbstractButton *button = buttons_->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its last button.
    if (QAbstractButton *checked = buttons_->checkedButton()) {
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
    }
}

void TFCom::selectRemembered() { setSelectedIndex(rememberedPosition()); }

void TFCom::apply()
{
    const int index = selectedIndex();
    if (index < 0) return;
    engine_.setPortName(entries_.at(index));  // an open port reopens on the new one at once
    openAppSettings()->setValue(comNumKey, QString::number(index));
}

void TFCom::centreOnScreen()
{
    QScreen *screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect box(QPoint(), frameGeometry().size());
    box.moveCenter(screen->availableGeometry().center());
    move(box.topLeft());
}

void TFCom::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    selectRemembered();
    centreOnScreen();
}
