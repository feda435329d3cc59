// Writing and reading data files of a full live list or recording
// (348 000 records); prints "name: value unit" lines.

#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "meter/core/recording.h"
#include "meter/panel.h"
#include "platform/dialogs.h"
#include "platform/recordlistview.h"
#include "platform/timer.h"
#include "records/core/datafile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int Records = 348000;

QString answerFile;
int answerFilter = 1;

void report(const char* name, const QElapsedTimer& t)
{
    std::printf("%s: %.1f ms\n", name, t.nsecsElapsed() / 1e6);
}

QString cell(int r, int c)
{
    if (c == 0) return QString::number(r);
    if (c == 1)
        return QStringLiteral("2026/12/08 %1:%2:%3")
            .arg(10 + r / 3600 % 10, 2, 10, QLatin1Char('0'))
            .arg(r / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(r % 60, 2, 10, QLatin1Char('0'));
    return QString::number(50 + (r % 400) / 10.0, 'f', 1);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    Platform::setDialogSeam([](const Platform::DialogRequest& r) {
        Platform::DialogAnswer a;
        if (r.kind == Platform::DialogRequest::SaveFile) {
            a.fileName = answerFile;
            a.filterIndex = answerFilter;
        }
        return a;
    });

    Panel panel;
    panel.Timer1->setEnabled(false);
    panel.Timer2->setEnabled(false);
    RecordRows records;
    for (int r = 1; r <= Records; ++r)
        records.append(cell(r, 0), cell(r, 1), cell(r, 2));
    panel.liveRecords().take(std::move(records));
    LiveState& s = liveState();
    s.LiveCount = Records - 1; // one short of the dump

    // The live list saved.
    QElapsedTimer t;
    answerFile = work.filePath(QStringLiteral("list.dvrk"));
    panel.SaveKey();
    panel.OptSaveList->click();
    t.start();
    panel.CmdSaveOK_Click();
    report("list_save_348000", t);

    // Read back.
    t.start();
    const DataFile::ReadResult read = DataFile::readFile(answerFile);
    report("list_read_348000", t);
    std::printf("list_read_rows: %d rows\n", int(read.rows.size()));

    // A recording stopped by itself at 348 000 records: "Fake" holds all but
    // the last line, the tick that writes the last one stops it.
    answerFile = work.filePath(QStringLiteral("recording.dvrk"));
    panel.SaveKey();
    panel.CmdSaveOK_Click();
    {
        QFile fake(QStringLiteral("Fake"));
        fake.open(QIODevice::Append);
        QByteArray bytes;
        for (int r = 1; r < Records; ++r)
            bytes += DataFile::recordLine(DataFile::Separator::Tab, DataFile::LineForm::Recording,
                                          QString::number(r), cell(r, 1), cell(r, 2));
        fake.write(bytes);
    }
    recordingState().RecordedLines = Records - 1;
    Meter::DecodeLevel(2, 0x8D);
    panel.LblValue->setText(Meter::state().LevelText);
    s.SampleTick = 1;
    s.LiveCount = Records - 2;
    t.start();
    panel.Timer2_Timer();
    report("recording_automatic_stop_348000", t);
    std::printf("recording_file_lines: %lld lines\n",
                QFile(answerFile).size() > 0 ? (long long)DataFile::readFile(answerFile).rows.size()
                                             : 0LL);
    std::printf("recording_still_running: %d\n", int(recordingState().Recording));

    // The dump of the full live list, at a fresh reading.
    Meter::DecodeLevel(2, 0x8D);
    s.SampleTick = 1;
    s.LiveCount = Records;
    s.DumpedRecords = 0;
    t.start();
    panel.Timer2_Timer();
    report("live_list_dump_348000", t);
    const QStringList dumps = QDir().entryList({QStringLiteral("??????????.dvrk")}, QDir::Files);
    std::printf("dump_files: %d\n", int(dumps.size()));
    if (!dumps.isEmpty())
        std::printf("dump_size: %.1f MB\n", QFileInfo(dumps.first()).size() / 1e6);
    return 0;
}
