#pragma once
// "Keyboard Selection For Debugging": lets a developer replace the detected keyboard code by
// one of a fixed list. Shown through the UI bridge as a drop-down list (a widget on the
// desktop; in service mode the bridge's question, which ends at its time-out).

#include "klv_inet/support/klv_export.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>

class KLV_EXPORT CKbdDlg
{
public:
    static constexpr std::uint32_t kTimeoutMs = 120000;
    static constexpr const char* kCaption = "Keyboard Selection For Debugging";
    static constexpr const char* kLabel = "Keyboard Layout Selection:";

    explicit CKbdDlg(std::string code) : m_code(std::move(code)) {}

    // The codes of the list, in their order.
    static const std::array<const char*, 12>& Codes();

    // The entry selected when the dialog opens: the one equal to the current code, -1 when
    // none is.
    int OnInitDialog() const;
    // Takes the text of entry `selection` as the chosen code; no selection (-1) or one
    // outside the list keeps the code.
    void OnOK(int selection);

    // Asks; kIdOk after OK (the choice taken), kIdCancel after Cancel or without an answer.
    int DoModal();

    const std::string& Code() const { return m_code; }

private:
    std::string m_code;
};
