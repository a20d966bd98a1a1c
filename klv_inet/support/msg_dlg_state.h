#pragma once
// What a message dialog shows: a value snapshot that the dialog model hands to its view. The
// view draws it and never reaches back into the model except through the dialog's id.

#include "klv_inet/support/klv_export.h"

#include <string>
#include <vector>

namespace klv {

enum class MsgDlgControlKind
{
    Button,
    CheckBox,
    Label,         // left-aligned static text
    CenteredLabel, // centred static text
    ProgressBar,   // range 0 to 100
    Animation,     // busy animation (control 1213 of the file-copy dialog)
    Frame,         // group frame
    Separator,
};

struct MsgDlgControl
{
    int id = 0;
    MsgDlgControlKind kind = MsgDlgControlKind::Label;
    std::string text;
    bool visible = true;
    bool enabled = true;
    int position = 0; // progress bars
};

struct KLV_EXPORT MsgDlgState
{
    unsigned dialogId = 0;
    unsigned templateId = 0;
    std::string windowTitle;
    bool visible = false;
    bool ended = false;      // ended by a second Cancel or Continue: hidden for good
    bool systemMenu = false; // shows the close button (cancellable dialogs)
    unsigned iconId = 0;
    bool animating = false;
    unsigned animationId = 0;
    bool clockRunning = false; // the view calls the clock once a second while set
    std::vector<MsgDlgControl> controls;

    const MsgDlgControl* control(int id) const;
    MsgDlgControl* control(int id);
};

} // namespace klv
