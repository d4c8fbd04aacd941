#pragma once
// TFCom: the port dialog. Lists the serial ports once per run, selects the remembered
// one, and hands the chosen port to the transport, remembering its position ("ComNum").
#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class TAsynCom;

class TFCom : public QDialog {
    Q_OBJECT
public:
    // Lists the ports, selects the remembered entry and applies it.
    explicit TFCom(TAsynCom &engine, QWidget *parent = nullptr);

    QStringList entries() const { return entries_; }
    int selectedIndex() const;      // -1 when none
    QString selectedEntry() const;  // "" when none
    void setSelectedIndex(int index);  // -1 or a position outside the list selects nothing
    // Hands the selected entry to the transport and remembers its position; does
    // nothing while no entry is selected.
    void apply();

    QGroupBox *RGCom;       // "Доступные порты"
    QPushButton *BitBtn1;   // OK
    QPushButton *BitBtn2;   // "Отмена"

protected:
    void showEvent(QShowEvent *event) override;

private:
    void listPorts();
    void buildControls();
    void selectRemembered();
    void centreOnScreen();

    TAsynCom &engine_;
    QStringList entries_;
    QButtonGroup *buttons_;
};
