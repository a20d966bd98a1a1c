#include "typestone/widgets/fsize_test.h"

#include "typestone/widgets/fsize_report.h"

#include "platform/draw/qt_font_engine.h"
#include "platform/text/sprintf.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace typestone {
namespace {

constexpr const char* kCaption = "Font Size Tester";

int box(const std::string& text, uint32_t style)
{
    platform::ui::MessageBoxRequest request;
    request.text = text;
    request.caption = kCaption;
    request.style = style;
    return platform::ui::bridge().messageBox(request);
}

QLineEdit* output(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    return edit;
}

} // namespace

CFSizeTest::CFSizeTest(QWidget* parent, ScreenSize screen)
    : QDialog(parent), m_screen(screen ? std::move(screen) : ScreenSize(&CFSizeTest::primaryScreenSize)),
      m_engine(std::make_unique<platform::draw::QtFontEngine>())
{
    setWindowTitle(QString::fromLatin1(kCaption));
    auto* layout = new QVBoxLayout(this);

    auto* input = new QGroupBox(QStringLiteral("Input"), this);
    auto* inputForm = new QFormLayout(input);
    m_face = new QLineEdit(input);
    m_face->setMaxLength(31); // what a font record holds
    m_columns = new QLineEdit(input);
    m_rows = new QLineEdit(input);
    // Numbers as the test reads them: decimal, or hexadecimal after 0x.
    for (QLineEdit* count : {m_columns, m_rows}) {
        count->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,10}|0[xX][0-9a-fA-F]{0,8}")), count));
    }
    inputForm->addRow(QStringLiteral("Font:"), m_face);
    inputForm->addRow(QStringLiteral("Cols"), m_columns);
    inputForm->addRow(QStringLiteral("Rows"), m_rows);
    m_execute = new QPushButton(QStringLiteral("Execute"), input);
    inputForm->addRow(m_execute);
    layout->addWidget(input);
    connect(m_execute, &QPushButton::clicked, this, &CFSizeTest::Execute);

    auto* outputBox = new QGroupBox(QStringLiteral("Output"), this);
    auto* outputForm = new QFormLayout(outputBox);
    m_dxOut = output(outputBox);
    m_dyOut = output(outputBox);
    m_widthOut = output(outputBox);
    m_heightOut = output(outputBox);
    m_faceOut = output(outputBox);
    outputForm->addRow(QStringLiteral("dx"), m_dxOut);
    outputForm->addRow(QStringLiteral("dy"), m_dyOut);
    outputForm->addRow(QStringLiteral("Width"), m_widthOut);
    outputForm->addRow(QStringLiteral("Height"), m_heightOut);
    outputForm->addRow(QStringLiteral("Font:"), m_faceOut);
    m_sample = new QPlainTextEdit(outputBox);
    m_sample->setReadOnly(true);
    outputForm->addRow(m_sample);
    layout->addWidget(outputBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFSizeTest::accept);
    layout->addWidget(buttons);

    m_face->setText(QString::fromStdString(m_faceName));
    m_columns->setText(QString::number(m_columnCount));
    m_rows->setText(QString::number(m_rowCount));
}

CFSizeTest::~CFSizeTest() = default;

std::optional<QSize> CFSizeTest::primaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return std::nullopt;
    const qreal ratio = screen->devicePixelRatio();
    const QSize size = screen->geometry().size();
    return QSize(int(std::lround(size.width() * ratio)), int(std::lround(size.height() * ratio)));
}

std::optional<unsigned long> CFSizeTest::ParseCount(const QString& text)
{
    const std::string s = text.trimmed().toStdString();
    // strtoul would take a sign (and wrap a minus round); a count has none.
    if (s.empty() || !(s[0] >= '0' && s[0] <= '9'))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(s.c_str(), &end, 0);
    if (errno != 0 || end == nullptr || *end != '\0')
        return std::nullopt;
    return value;
}

void CFSizeTest::Execute()
{
    const std::optional<QSize> screen = m_screen();
    if (!screen || screen->width() <= 0 || screen->height() <= 0)
        return; // no screen to fit on: nothing is computed
    const std::optional<unsigned long> columns = ParseCount(m_columns->text());
    const std::optional<unsigned long> rows = ParseCount(m_rows->text());
    // Each cell must be at least one pixel; a zero count has no cell at all.
    if (!columns || !rows || *columns == 0 || *rows == 0 || *columns > unsigned(screen->width()) ||
        *rows > unsigned(screen->height())) {
        const std::string text = platform::text::sprintf(
            "Cols must be a number from 1 to %d and Rows one from 1 to %d (decimal, or hexadecimal "
            "after 0x).",
            screen->width(), screen->height());
        box(text, platform::ui::kMbOk | platform::ui::kMbIconExclamation);
        return;
    }
    m_faceName = m_face->text().toStdString();
    m_columnCount = unsigned(*columns);
    m_rowCount = unsigned(*rows);

    const bool printer = box("Use new SetFontSize()",
                             platform::ui::kMbYesNo | platform::ui::kMbIconQuestion) == platform::ui::kIdYes;
    const FSizeResult r = RunFontSizeTest(*m_engine, m_faceName, m_columnCount, m_rowCount, screen->width(),
                                          screen->height(), printer);
    box(r.report, platform::ui::kMbOk);

    m_faceOut->setText(QString::fromStdString(r.chosenFace));
    m_dxOut->setText(QStringLiteral("%1/%2").arg(r.dx).arg(r.targetWidth));
    m_dyOut->setText(QStringLiteral("%1/%2").arg(r.dy).arg(r.targetHeight));
    m_widthOut->setText(QString::number(r.logFont.width));
    m_heightOut->setText(QString::number(r.logFont.height));
    showSample(r.chosenFace, r.logFont.height, r.logFont.width);
}

void CFSizeTest::showSample(const std::string& face, int lfHeight, int lfWidth)
{
    platform::draw::LogFont lf = platform::draw::makeLogFont(face, lfHeight, 0);
    const platform::draw::FontHandle natural = m_engine->createFont(lf);
    QFont font(QString::fromStdString(face));
    if (natural) {
        const auto& tm = natural->metrics();
        font.setPixelSize(std::max(1, tm.height - tm.internalLeading));
        // The record's width scales the face horizontally, as the fitted font draws it.
        if (lfWidth > 0 && tm.aveCharWidth > 0)
            font.setStretch(std::clamp(int(std::lround(100.0 * lfWidth / tm.aveCharWidth)), 1, 4000));
    }
    m_sample->setFont(font);
    m_sample->setPlainText(QString::fromLatin1(kSampleText));
}

} // namespace typestone
