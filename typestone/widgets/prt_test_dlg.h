#pragma once
// "Printer Test": runs the printer test on one printer and shows, beside the outcome, the page
// the test should have printed, so the user can compare it with the sheet in the tray. While
// the test prints, the dialog shows the program's waiting picture (VALDOR.PCX); afterwards the
// expected page (TYPST.TIF), which can be zoomed and printed. GUI thread only: the test itself
// runs on a thread of its own, so the dialog stays live and the job's boxes and progress reach
// the screen through the UI bridge as for any other job.

#include <QDialog>
#include <QImage>

#include <functional>
#include <string>
#include <thread>

class QLabel;
class QPushButton;
class QScrollArea;

namespace typestone {

class CPrtTestDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* kWaitingPicture = "VALDOR.PCX";
    static constexpr const char* kExpectedPage = "TYPST.TIF";
    static constexpr const char* kTestStream = "TYPST.PRT";

    // Runs the test of the printer (on the test's own thread); true when it printed.
    using TestRunner = std::function<bool()>;
    // Prints the picture the dialog shows; false (with a reason) when it could not.
    using PicturePrinter = std::function<bool(const QImage& picture, std::string* error)>;

    // `toHide` (may be null) is hidden while the dialog is open and shown again at its close;
    // the pictures and the test stream are looked for in `dataFolder`.
    CPrtTestDlg(const std::string& printer, QWidget* toHide, std::string dataFolder, TestRunner run,
                PicturePrinter print, QWidget* parent = nullptr);
    ~CPrtTestDlg() override;

    // Reads a picture of the kinds the dialog shows (PCX through our decoder, the rest through
    // Qt's readers, TIFF included); a null image when it cannot be read.
    static QImage LoadPicture(const std::string& path);

    QLabel* textLabel() const { return m_text; }
    QLabel* pictureLabel() const { return m_picture; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* zoomInButton() const { return m_zoomIn; }
    QPushButton* zoomOutButton() const { return m_zoomOut; }
    QPushButton* printButton() const { return m_print; }
    // 0 while the picture fits the dialog; each Zoom In beyond that doubles it.
    int zoomSteps() const { return m_zoomSteps; }
    // Set once the test has ended (whatever its outcome).
    bool testEnded() const { return m_ended; }
    bool testPassed() const { return m_passed; }

signals:
    void testFinished(bool passed);

protected:
    void done(int result) override;

private:
    void showWaitingPicture();
    void startTest();
    void onTestEnded(bool passed);
    void onZoomIn();
    void onZoomOut();
    void onPrint();
    void showPicture();

    std::string m_printer;
    QWidget* m_toHide;
    std::string m_dataFolder;
    TestRunner m_run;
    PicturePrinter m_printPicture;
    std::thread m_testThread;

    QLabel* m_text = nullptr;
    QScrollArea* m_scroll = nullptr;
    QLabel* m_picture = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_zoomIn = nullptr;
    QPushButton* m_zoomOut = nullptr;
    QPushButton* m_print = nullptr;
    QImage m_shown;
    double m_scale = 1.0;
    int m_zoomSteps = 0;
    QSize m_fitSize;
    bool m_ended = false;
    bool m_passed = false;
};

} // namespace typestone
