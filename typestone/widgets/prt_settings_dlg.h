#pragma once
// "Printer Settings": paper, orientation, copies, two-sided printing, colour, quality and (when
// the printer offers more than one) resolution of one printer's device settings. OK leaves the
// edited settings in result(); whatever the dialog does not show stays as it came. GUI thread
// only.

#include "typestone/widgets/prt_settings_state.h"

#include <QDialog>

#include <string>

class QComboBox;
class QSpinBox;

namespace typestone {

class CPrtSettingsDlg : public QDialog
{
    Q_OBJECT

public:
    CPrtSettingsDlg(const std::string& printer, const DevMode& settings, const PrtSettingsChoices& choices,
                    QWidget* parent = nullptr);

    // What the controls show now.
    PrtSettingsState state() const;
    // The settings the dialog came with, changed as the controls show.
    DevMode result() const { return ApplySettingsState(m_settings, state()); }

    QComboBox* mediaBox() const { return m_media; }
    QComboBox* orientationBox() const { return m_orientation; }
    QSpinBox* copiesBox() const { return m_copies; }
    QComboBox* sidesBox() const { return m_sides; }
    QComboBox* colourBox() const { return m_colour; }
    QComboBox* qualityBox() const { return m_quality; }
    // Null when the printer offers a single resolution or none.
    QComboBox* resolutionBox() const { return m_resolution; }

private:
    DevMode m_settings;
    QComboBox* m_media = nullptr;
    QComboBox* m_orientation = nullptr;
    QSpinBox* m_copies = nullptr;
    QComboBox* m_sides = nullptr;
    QComboBox* m_colour = nullptr;
    QComboBox* m_quality = nullptr;
    QComboBox* m_resolution = nullptr;
};

} // namespace typestone
