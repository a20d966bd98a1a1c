#pragma once
// "Font Size Tester": a diagnostic dialog that fits a face to the cell of a columns x rows
// grid on the screen with the font mapper's fitting, shows the chosen font and cell, and
// reports in a message box how the neighbouring sizes would fit. GUI thread only.

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace platform::draw {
class FontEngine;
}

namespace typestone {

class CFSizeTest : public QDialog
{
    Q_OBJECT

public:
    // The screen's size in device pixels; nullopt when there is no screen to measure on.
    using ScreenSize = std::function<std::optional<QSize>()>;

    static constexpr const char* kSampleText = "AaBbCcDdEe0123456789";

    // The screen is the primary screen unless `screen` is given; the fonts come from the
    // installed faces.
    explicit CFSizeTest(QWidget* parent = nullptr, ScreenSize screen = {});
    ~CFSizeTest() override;

    // The primary screen's size in device pixels.
    static std::optional<QSize> primaryScreenSize();

    // A count as strtoul with base 0 reads it (decimal, 0x hexadecimal, 0 octal), the whole
    // text and nothing else; nullopt for anything else.
    static std::optional<unsigned long> ParseCount(const QString& text);

    QLineEdit* faceEdit() const { return m_face; }
    QLineEdit* columnsEdit() const { return m_columns; }
    QLineEdit* rowsEdit() const { return m_rows; }
    QPushButton* executeButton() const { return m_execute; }
    QLineEdit* dxEdit() const { return m_dxOut; }
    QLineEdit* dyEdit() const { return m_dyOut; }
    QLineEdit* widthEdit() const { return m_widthOut; }
    QLineEdit* heightEdit() const { return m_heightOut; }
    QLineEdit* chosenFaceEdit() const { return m_faceOut; }
    QPlainTextEdit* sampleEdit() const { return m_sample; }

public slots:
    // Runs the test with the face and grid of the input fields.
    void Execute();

private:
    void showSample(const std::string& face, int lfHeight, int lfWidth);

    ScreenSize m_screen;
    std::unique_ptr<platform::draw::FontEngine> m_engine;
    std::string m_faceName = "Arial";
    unsigned m_rowCount = 58;
    unsigned m_columnCount = 80;
    QLineEdit* m_face = nullptr;
    QLineEdit* m_columns = nullptr;
    QLineEdit* m_rows = nullptr;
    QPushButton* m_execute = nullptr;
    QLineEdit* m_dxOut = nullptr;
    QLineEdit* m_dyOut = nullptr;
    QLineEdit* m_widthOut = nullptr;
    QLineEdit* m_heightOut = nullptr;
    QLineEdit* m_faceOut = nullptr;
    QPlainTextEdit* m_sample = nullptr;
};

} // namespace typestone
