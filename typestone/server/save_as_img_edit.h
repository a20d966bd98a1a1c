#pragma once
// Converting a picture file of any format Qt's image readers know into a 24-bit BMP file, for
// the image commands that print only BMP pictures. Nothing is shown.

#include <string>

namespace typestone {

class CSaveAs_ImgEdit
{
public:
    CSaveAs_ImgEdit(std::string source, std::string target);

    // kIdOk (platform/ui/message_box.h) when the target was written, kIdCancel otherwise (also
    // when a name is missing). A target that could not be written whole is removed.
    int DoModal();

private:
    std::string m_source;
    std::string m_target;
};

} // namespace typestone
