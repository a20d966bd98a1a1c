#include "klv_inet/widgets/msg_dlg_widget_host.h"

#include "klv_inet/widgets/msg_dlg_widget.h"

namespace klv::widgets {

MsgDlgWidgetHost::MsgDlgWidgetHost(std::shared_ptr<GuiLink> link)
    : m_link(std::move(link)), m_widgets(std::make_shared<std::map<unsigned, MsgDlgWidget*>>())
{
}

MsgDlgWidgetHost::~MsgDlgWidgetHost()
{
    auto widgets = m_widgets;
    auto clear = [widgets] {
        for (auto& [id, w] : *widgets)
            delete w;
        widgets->clear();
    };
    if (m_link->onGuiThread())
        clear();
    else
        m_link->post(clear);
}

void MsgDlgWidgetHost::show(const klv::MsgDlgState& state)
{
    // Always queued, even on the GUI thread: the dialog's lock is held here, and a widget
    // update must not run inside the click that caused it.
    auto widgets = m_widgets;
    m_link->post([widgets, state] {
        MsgDlgWidget*& w = (*widgets)[state.dialogId];
        if (!w)
            w = new MsgDlgWidget(state);
        else
            w->apply(state);
    });
}

void MsgDlgWidgetHost::close(unsigned dialogId)
{
    auto widgets = m_widgets;
    m_link->post([widgets, dialogId] {
        const auto it = widgets->find(dialogId);
        if (it == widgets->end())
            return;
        it->second->hide();
        it->second->deleteLater();
        widgets->erase(it);
    });
}

MsgDlgWidget* MsgDlgWidgetHost::widget(unsigned dialogId) const
{
    const auto it = m_widgets->find(dialogId);
    return it == m_widgets->end() ? nullptr : it->second;
}

} // namespace klv::widgets
