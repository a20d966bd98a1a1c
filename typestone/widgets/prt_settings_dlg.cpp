#include "typestone/widgets/prt_settings_dlg.h"

#include "typestone/server/desktop_strings.h"
#include "typestone/widgets/desktop_text.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace typestone {

namespace sp = platform::spooler;

namespace {

// A combo box of enum values, the current one chosen.
template <typename E>
QComboBox* enumBox(QWidget* parent, const char* name, std::initializer_list<std::pair<E, QString>> items,
                   E current)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const auto& [value, text] : items) {
        box->addItem(text, static_cast<int>(value));
        if (value == current)
            box->setCurrentIndex(box->count() - 1);
    }
    return box;
}

template <typename E> E enumOf(const QComboBox* box)
{
    return static_cast<E>(box->currentData().toInt());
}

QString resolutionLabel(sp::Resolution r)
{
    return r.x == r.y ? QString("%1 dpi").arg(r.x) : QString("%1x%2 dpi").arg(r.x).arg(r.y);
}

} // namespace

CPrtSettingsDlg::CPrtSettingsDlg(const std::string& printer, const DevMode& settings,
                                 const PrtSettingsChoices& choices, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    const PrtSettingsState state = SettingsStateOf(settings);
    setWindowTitle(desktopText(kStrSettingsTitle, "Printer Settings"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;

    auto* name = new QLineEdit(QString::fromStdString(printer), this);
    name->setReadOnly(true);
    form->addRow(desktopText(kStrSharePrinter, "Printer:"), name);

    m_media = new QComboBox(this);
    m_media->setObjectName("media");
    for (const std::string& media : MediaChoices(choices.media, state.media)) {
        m_media->addItem(QString::fromStdString(media), QString::fromStdString(media));
        if (media == state.media)
            m_media->setCurrentIndex(m_media->count() - 1);
    }
    form->addRow(desktopText(kStrSettingsPaper, "Paper:"), m_media);

    m_orientation = enumBox<sp::Orientation>(
        this, "orientation",
        {{sp::Orientation::Portrait, desktopText(kStrPortrait, "Portrait")},
         {sp::Orientation::Landscape, desktopText(kStrLandscape, "Landscape")},
         {sp::Orientation::ReversePortrait, desktopText(kStrReversePortrait, "Reverse portrait")},
         {sp::Orientation::ReverseLandscape, desktopText(kStrReverseLandscape, "Reverse landscape")}},
        state.orientation);
    form->addRow(desktopText(kStrSettingsOrientation, "Orientation:"), m_orientation);

    m_copies = new QSpinBox(this);
    m_copies->setObjectName("copies");
    m_copies->setRange(1, sp::kMaxCopies);
    m_copies->setValue(std::clamp(state.copies, 1, sp::kMaxCopies));
    form->addRow(desktopText(kStrSettingsCopies, "Copies:"), m_copies);

    m_sides = enumBox<sp::Sides>(this, "sides",
                                 {{sp::Sides::OneSided, desktopText(kStrOneSided, "Off")},
                                  {sp::Sides::TwoSidedLongEdge, desktopText(kStrLongEdge, "Long edge")},
                                  {sp::Sides::TwoSidedShortEdge, desktopText(kStrShortEdge, "Short edge")}},
                                 state.sides);
    form->addRow(desktopText(kStrSettingsSides, "Two-sided:"), m_sides);

    m_colour =
        enumBox<sp::ColorMode>(this, "colour",
                               {{sp::ColorMode::Color, desktopText(kStrColour, "Colour")},
                                {sp::ColorMode::Monochrome, desktopText(kStrMonochrome, "Monochrome")}},
                               state.colorMode);
    form->addRow(desktopText(kStrSettingsColour, "Colour:"), m_colour);

    m_quality = enumBox<sp::PrintQuality>(this, "quality",
                                          {{sp::PrintQuality::Draft, desktopText(kStrDraft, "Draft")},
                                           {sp::PrintQuality::Normal, desktopText(kStrNormal, "Normal")},
                                           {sp::PrintQuality::High, desktopText(kStrHigh, "High")}},
                                          state.quality);
    form->addRow(desktopText(kStrSettingsQuality, "Quality:"), m_quality);

    if (choices.resolutions.size() > 1) {
        m_resolution = new QComboBox(this);
        m_resolution->setObjectName("resolution");
        std::vector<sp::Resolution> offered = choices.resolutions;
        // The current resolution stays choosable even when the printer's list lacks it.
        if (std::find(offered.begin(), offered.end(), settings.settings.resolution) == offered.end())
            offered.insert(offered.begin(), settings.settings.resolution);
        for (const sp::Resolution r : offered) {
            m_resolution->addItem(resolutionLabel(r), QPoint(r.x, r.y));
            if (r == settings.settings.resolution)
                m_resolution->setCurrentIndex(m_resolution->count() - 1);
        }
        form->addRow(desktopText(kStrSettingsResolution, "Resolution:"), m_resolution);
    }
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(desktopText(kStrButtonOk, "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(desktopText(kStrButtonCancel, "Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

PrtSettingsState CPrtSettingsDlg::state() const
{
    PrtSettingsState state;
    state.media = m_media->currentData().toString().toStdString();
    state.orientation = enumOf<sp::Orientation>(m_orientation);
    state.copies = m_copies->value();
    state.sides = enumOf<sp::Sides>(m_sides);
    state.colorMode = enumOf<sp::ColorMode>(m_colour);
    state.quality = enumOf<sp::PrintQuality>(m_quality);
    if (m_resolution) {
        const QPoint r = m_resolution->currentData().toPoint();
        state.resolution = sp::Resolution{r.x(), r.y()};
    }
    return state;
}

} // namespace typestone
