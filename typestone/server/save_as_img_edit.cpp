#include "typestone/server/save_as_img_edit.h"

#include "typestone/engine/picture_files.h"
#include "typestone/server/server_trace.h"

#include "pixkit/pixkit.h"
#include "platform/ui/message_box.h"

#include <QFile>

namespace typestone {

CSaveAs_ImgEdit::CSaveAs_ImgEdit(std::string source, std::string target)
    : m_source(std::move(source)), m_target(std::move(target))
{
}

int CSaveAs_ImgEdit::DoModal()
{
    if (m_source.empty() || m_target.empty())
        return platform::ui::kIdCancel;
    // Bounded in bytes and pixels by the reader.
    const std::optional<ByteVector> bmp = pictureFileToBmpImage(m_source);
    if (!bmp) {
        TRZ_Trace(kTrzCore, "\nCSaveAs_ImgEdit: '%s' is no picture that can be read", m_source);
        return platform::ui::kIdCancel;
    }
    if (SaveBmp24(m_target.c_str(), bmp->data()) < 0) {
        TRZ_Trace(kTrzCore, "\nCSaveAs_ImgEdit: '%s' could not be written", m_target);
        QFile::remove(QString::fromStdString(m_target));
        return platform::ui::kIdCancel;
    }
    return platform::ui::kIdOk;
}

} // namespace typestone
