#pragma once
// The main window, laid out like the meter's front panel.

#include "common/mainwindow.h"
#include "meter/core/recording.h"
#include "platform/commondialog.h"
#include "platform/threed.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class FlexGrid;
class Graph;
namespace Meter {
class Link;
}
class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class RecordList;
class RecordListView;
class SerialPort;
class Timer;
class Toolbar;

class Panel : public QWidget, public MainWindow
{
    Q_OBJECT
public:
    explicit Panel(QWidget* parent = nullptr);
    ~Panel() override;

    // The one main window, while it exists.
    static Panel* instance();

    // Load: offline look, or the port opened and the live state set up.
    // False when the port could not be opened: the message has been shown
    // and the program is to end, with a status that says it failed.
    bool Form_Load();

    // Controls, by their names.
    Toolbar* Toolbar1;
    QFrame* Shape1;
    QLabel* ShownLCD;
    QLabel* LblValue;
    QLabel* LbldB;
    QLabel* LblBarMin;
    QLabel* LblBarMax;
    QProgressBar* SoundBar; // in tenths of a dB
    QLabel* LblUnder;
    QLabel* LblFast;
    QLabel* LblSlow;
    QLabel* LblOver;
    QLabel* LblIMP;
    QLabel* LblCA;
    QLabel* LblRun;
    QLabel* LblPause;
    QLabel* LblStop;
    SSPanel* SSFreq;
    SSPanel* SSTW;
    SSPanel* SSSR;
    SSPanel* BoardCA;
    SSPanel* BoardSFI;
    SSPanel* BoardLevel;
    std::array<FlexGrid*, 3> GridN; // the live list's grids, columns of LiveList
    RecordListView* LiveList;
    RecordList& liveRecords();
    SSPanel* SSMax;
    SSPanel* BoardMaxdB;
    SSPanel* BoardMaxTime;
    SSPanel* SSSEL;
    SSPanel* BoardSEL;
    SSPanel* SSLeq;
    SSPanel* BoardLeq;
    std::array<SSOption*, 3> SSOpt;
    Graph* CWG;
    Graph* CWLeq;
    Graph* CWSEL;
    Graph* CWInt;
    Graph* CWDec;
    QLabel* LblRec;
    QLabel* LblCount;
    QLabel* LblFileName;
    ClickLabel* LblCOM;
    QFrame* PicSave;
    SSFrame* SSFrame1;
    SSOption* OptSampling;
    SSOption* OptSaveList;
    SSCommand* CmdSaveOK;
    QFrame* PicErase;
    QComboBox* ComboErase;
    SSPanel* OfflineSSPL;
    std::array<SSCommand*, 10> Btn; // the meter keys, code = index + 1
    QPushButton* CmdL;

    CommonDialog Cmd;
    Timer* Timer1;
    Timer* Timer2;

    // Event procedures.
    void Timer1_Timer();
    void Timer2_Timer();
    void LblCOM_Click();
    void CmdL_Click();
    void Btn_Click(int keyCode);
    void SSOpt_Click(int index);
    // The mini graphs' clicks: a trend graph's whole history in
    // RealTimeGraph, a mini histogram's counts in RealHistogram.
    void CWG_Click();
    void CWLeq_Click();
    void CWSEL_Click();
    void CWInt_Click();
    void CWDec_Click();
    void Toolbar1_ButtonClick(const QString& key);
    void CmdSaveOK_Click();

    // Toolbar commands.
    void SaveKey();
    // Reads a data file into its record-list window.
    void OpenKey();
    void SamplingCommand();
    void Refresh();
    // The logger: its directory in the logger window, the erase pop-up and
    // its choice; the clock window.
    void MemoryCommand();
    void EraseCommand();
    void ComboErase_Click(int index);
    void RtcCommand();
    // Ends the running recording and writes its final file (the user's stop).
    void StopRecording();
    bool isRecording() const;

    // Switches both timers; offline they stay off whatever is asked.
    void setTimersEnabled(bool on);

    // 1: record ("By PC Sampling Rate"), 2: save the list ("Saving List Data").
    int SaveMode = 1;

    // Display of the decoded reading.
    void RefreshDisplay();
    // The link to the meter, the one owner of its port.
    Meter::Link& link() { return *link_; }
    void liveReading(const QByteArray& frame);
    // The meter was lost: "No COM", no statistics, the live list, level graph
    // and histograms cleared.
    void showMeterLost();
    // Frames can be read again after the resynchronisation.
    void liveFound();
    // Cut the live list back to its title row.
    void CutLiveList();
    // The resynchronisation's end of a running recording.
    void endRecordingOnLoss();

    // What the record lists and graphs reach of it.
    QObject* object() override { return this; }
    QPoint dockPlace(const QSize& size) const override;
    QString caption() const override { return windowTitle(); }
    void setCaption(const QString& text) override { setWindowTitle(text); }
    Timers pauseTimers() override;
    void resumeTimers(Timers was) override;

signals:
    // Panel was unloaded: the program ends.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The second line of "No device found, try again!": what the port
    // stands for and why it cannot be opened.
    QString whyNoDevice(int portNumber) const;
    void build();
    void buildToolbar();
    void buildDisplay();
    void buildLists();
    void buildBoards();
    void buildGraphs();
    void buildPopups();
    void buildKeys();
    void buildLogger();

    void settingCommand(char letter);
    void meterSamplingBranch();
    void storeSamplingAnswer(int& value, int upper, const QString& prompt, const QString& title);
    void takeSample(double level, const QString& now);
    void appendLiveRow(const QString& sampleTime, const QString& dB);
    bool listFull() const;
    void dumpLiveList();

    // Who ends a recording decides how its end is told: the user's stop and
    // the stop at the record limit only when something went wrong or a
    // retry wrote the file, the lost meter always, the closing never (it
    // asks instead). The first stop ends the sampling; until a stop writes
    // the final file the recording waits, whole. Returns why it could not.
    enum class StopBy { User, Limit, LostMeter, Closing };
    QString stopRecording(StopBy by);
    void showSaveKey();
    void startRecording();
    void recordSample(const QString& sampleTime, const QString& dB);
    // True when Panel may close: the recording is in its file, or the user
    // gives up what could not be written.
    bool finishRecordingOnClose();
    void saveLiveList();
    bool refusedTarget(const QString& path);

    SerialPort* COM;
    Meter::Link* link_;

    Recorder recorder_;
    bool listSaving_ = false;
    // When the latest dump of the full list failed; none while dumps succeed.
    std::optional<qint64> dumpFailedNs_;
};
