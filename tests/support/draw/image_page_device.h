#pragma once
// A page device that keeps each page as a QImage, for tests.

#include "platform/draw/image_dc.h"
#include "platform/draw/page_device.h"

#include <QImage>

#include <vector>

namespace platform::draw {

class ImagePageDevice : public PageDevice
{
public:
    explicit ImagePageDevice(const DeviceCaps& caps);
    ~ImagePageDevice() override;

    bool startDoc(const std::string& documentName) override;
    bool startPage() override;
    bool endPage() override;
    bool endDoc() override;
    void abortDoc() override;
    Dc* dc() override { return &m_dc; }
    DeviceCaps caps() const override { return m_dc.caps(); }
    bool setOrientation(spooler::Orientation orientation) override;
    int pageCount() const override { return static_cast<int>(m_pages.size()); }
    std::string errorText() const override { return m_error; }

    // The ended pages of the document (kept after endDoc; cleared by startDoc and abortDoc).
    const std::vector<QImage>& pages() const { return m_pages; }
    const std::string& documentName() const { return m_documentName; }
    bool ended() const { return m_state == State::Ended; }

private:
    enum class State
    {
        Idle,
        Open,
        InPage,
        Ended,
    };
    bool fail(const std::string& text);

    ImageDc m_dc;
    std::vector<QImage> m_pages;
    std::string m_documentName;
    std::string m_error;
    State m_state = State::Idle;
};

} // namespace platform::draw
