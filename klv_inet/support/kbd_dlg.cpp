#include "klv_inet/support/kbd_dlg.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

const std::array<const char*, 12>& CKbdDlg::Codes()
{
    static constexpr std::array<const char*, 12> codes = {"US", "UK", "FR", "IT", "SP", "SG",
                                                          "SF", "LA", "CA", "FC", "BE", "GR"};
    return codes;
}

int CKbdDlg::OnInitDialog() const
{
    const auto& codes = Codes();
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (m_code == codes[i])
            return int(i);
    return -1;
}

void CKbdDlg::OnOK(int selection)
{
    if (selection >= 0 && std::size_t(selection) < Codes().size())
        m_code = Codes()[std::size_t(selection)];
}

int CKbdDlg::DoModal()
{
    platform::ui::ChoiceQuestion question;
    question.prompt = kLabel;
    question.caption = kCaption;
    for (const char* code : Codes())
        question.choices.emplace_back(code);
    question.initial = OnInitDialog();
    question.timeoutMs = kTimeoutMs;
    const std::optional<std::size_t> answer = platform::ui::bridge().askChoice(question);
    if (!answer)
        return platform::ui::kIdCancel;
    OnOK(int(*answer));
    return platform::ui::kIdOk;
}
