#include "typestone/widgets/prt_test_print.h"

#include "platform/spooler/spooler.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <filesystem>

namespace typestone {

bool PrintPicture(platform::spooler::Spooler& spooler, const std::string& printer, const QImage& picture,
                  const std::string& tempFolder, std::string* error)
{
    if (picture.isNull()) {
        *error = "no picture";
        return false;
    }
    const std::string path = (std::filesystem::path(tempFolder) / "TYPST_TEST_PICTURE.pdf").string();
    {
        QPdfWriter writer(QString::fromStdString(path));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(150);
        writer.setTitle(QStringLiteral("Printer Test"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            *error = "cannot write " + path;
            return false;
        }
        const QRect page = painter.viewport();
        QSize size = picture.size().scaled(page.size(), Qt::KeepAspectRatio);
        painter.drawImage(
            QRect(page.left() + (page.width() - size.width()) / 2, page.top(), size.width(), size.height()),
            picture);
        painter.end();
    }
    const bool ok = spooler.submitPdf(printer, "Printer Test", path, {}, error);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return ok;
}

} // namespace typestone
