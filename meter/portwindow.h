#pragma once
// The start window "COM Port": the user names the meter's serial port or
// chooses to work offline, then the main window takes over.

#include <QSize>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

class Port : public QWidget
{
    Q_OBJECT

public:
    // Builds the window and runs its load: small look, placed, list filled.
    // Create it with new: leaving it (a choice or the close box) deletes it.
    explicit Port(QWidget* parent = nullptr);

    QPushButton* OfflineMode = nullptr;
    QPushButton* CmdDevice = nullptr;
    QComboBox* TxtCOM = nullptr;
    QPushButton* CmdOK = nullptr;
    QLabel* Picdevice = nullptr;  // help picture, over everything while shown
    QPushButton* CmdGo = nullptr; // "OK" on the help picture

    // The size the window is given with its frame, in pixels.
    QSize outerSize() const { return outerSize_; }

    // Small look: only the left column of controls shows.
    static constexpr QSize smallOuterSize{140, 138}; // 2100 x 2070 twips
    // Large look: the whole help picture and its "OK".
    static constexpr QSize largeOuterSize{343, 209}; // 5145 x 3135 twips

public slots:
    void CmdOK_Click();
    void OfflineMode_Click();
    void CmdDevice_Click();
    void CmdGo_Click();

signals:
    // PortNumber and OfflineModeFlag are set: show the main window now. The
    // window unloads itself right after, so connect directly.
    void panelRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void Form_Load();
    void setOuterSize(QSize outer);
    void applyOuterSize();
    void unload();
    // Sets the mode, has the main window shown and unloads this one.
    void handOver(bool offline);

    QSize outerSize_;
    bool chosen_ = false; // "OK" or "Offline Mode" ended the window
};
