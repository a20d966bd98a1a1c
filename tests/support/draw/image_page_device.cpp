#include "tests/support/draw/image_page_device.h"

#include <utility>

namespace platform::draw {

ImagePageDevice::ImagePageDevice(const DeviceCaps& caps) : m_dc(caps) {}

ImagePageDevice::~ImagePageDevice() = default;

bool ImagePageDevice::fail(const std::string& text)
{
    m_error = text;
    return false;
}

bool ImagePageDevice::startDoc(const std::string& documentName)
{
    if (m_state == State::Open || m_state == State::InPage) {
        return fail("startDoc: a document is already open");
    }
    m_pages.clear();
    m_documentName = documentName;
    m_state = State::Open;
    m_error.clear();
    return true;
}

bool ImagePageDevice::startPage()
{
    if (m_state != State::Open) {
        return fail(m_state == State::InPage ? "startPage: a page is already open"
                                             : "startPage: no document is open");
    }
    m_dc.clearImage();
    m_state = State::InPage;
    return true;
}

bool ImagePageDevice::endPage()
{
    if (m_state != State::InPage) {
        return fail("endPage: no page is open");
    }
    m_pages.push_back(m_dc.image());
    m_state = State::Open;
    return true;
}

bool ImagePageDevice::endDoc()
{
    if (m_state != State::Open && m_state != State::InPage) {
        return fail("endDoc: no document is open");
    }
    if (m_state == State::InPage && !endPage()) {
        return false;
    }
    m_state = State::Ended;
    return true;
}

void ImagePageDevice::abortDoc()
{
    m_pages.clear();
    m_state = State::Idle;
}

bool ImagePageDevice::setOrientation(spooler::Orientation orientation)
{
    if (m_state == State::InPage) {
        return fail("setOrientation: a page is open");
    }
    DeviceCaps caps = m_dc.caps();
    const bool landscape = orientation == spooler::Orientation::Landscape ||
                           orientation == spooler::Orientation::ReverseLandscape;
    if (landscape != (caps.width > caps.height)) {
        std::swap(caps.width, caps.height);
        std::swap(caps.widthMm, caps.heightMm);
        std::swap(caps.physicalWidth, caps.physicalHeight);
        std::swap(caps.offsetX, caps.offsetY);
        m_dc.reset(caps);
    }
    return true;
}

} // namespace platform::draw
