#include "typestone/widgets/printers_dialog.h"

#include "platform/text/sprintf.h"
#include "typestone/server/desktop_strings.h"
#include "typestone/server/port_values.h"
#include "typestone/server/printer_strings.h"
#include "typestone/server/server_strings.h"
#include "typestone/widgets/share_prt.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace typestone {
namespace {

QString localText(unsigned id, const char* fallback)
{
    const std::string s = serverString(id);
    return QString::fromStdString(s.empty() ? std::string(fallback) : s);
}

int box(const std::string& text, uint32_t style)
{
    platform::ui::MessageBoxRequest request;
    request.text = text;
    request.caption = "Typestone";
    request.style = style;
    return platform::ui::bridge().messageBox(request);
}

std::string formatted(unsigned id, const char* fallback, unsigned value)
{
    const std::string pattern = localText(id, fallback).toStdString();
    return platform::text::sprintf(pattern.c_str(), value);
}

} // namespace

PrintersDialog::PrintersDialog(CPrinter& printers, QWidget* parent)
    : QDialog(parent), m_printers(printers), m_shareEditor(&EditShare)
{
    setWindowTitle(localText(kStrPrintersTitle, "Printers Available to Share"));
    auto* layout = new QVBoxLayout(this);

    m_list = new QTreeWidget(this);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({localText(kStrColPrinter, "Printer"), localText(kStrColShared, "Shared"),
                             localText(kStrColName, "Name")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(m_list);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { editRow(item); });

    m_useDns = new QCheckBox(localText(kStrUseDns, "Use DNS to name print works"), this);
    layout->addWidget(m_useDns);

    auto* ports = new QFormLayout;
    m_servicePort = new QLineEdit(this);
    m_auxPort = new QLineEdit(this);
    m_servicePort->setMaxLength(16);
    m_auxPort->setMaxLength(16);
    ports->addRow(localText(kStrServicePort, "Servide Port:"), m_servicePort);
    ports->addRow(localText(kStrAuxPort, "Auxiliary Port:"), m_auxPort);
    layout->addLayout(ports);
    connect(m_servicePort, &QLineEdit::editingFinished, this, &PrintersDialog::servicePortEntered);
    connect(m_auxPort, &QLineEdit::editingFinished, this, &PrintersDialog::auxPortEntered);

    auto* progressBox = new QGroupBox(localText(kStrPrintProgress, "Print Progress"), this);
    auto* progressLayout = new QHBoxLayout(progressBox);
    m_progress = new QButtonGroup(this);
    const QString modes[] = {localText(kStrProgressDisabled, "Disabled"),
                             localText(kStrProgressMinimized, "Minimized"),
                             localText(kStrProgressNormal, "Normal")};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(modes[i], progressBox);
        m_progress->addButton(radio, i);
        progressLayout->addWidget(radio);
    }
    layout->addWidget(progressBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PrintersDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PrintersDialog::reject);
    layout->addWidget(buttons);

    const CPrinter::DialogValues values = m_printers.GetDlgValues();
    m_useDns->setChecked(values.useDns);
    m_servicePort->setText(QString::number(values.servicePort));
    m_auxPort->setText(QString::number(values.auxPort));
    m_previousServicePort = values.servicePort;
    if (QAbstractButton* b = m_progress->button(values.progressMode))
        b->setChecked(true);

    m_printers.RefreshPrinters(nullptr, 0, nullptr, true);
    fillList();
}

QString PrintersDialog::sharedText(const PRTCFG& record)
{
    if (!record.bShared)
        return localText(kStrSharedNo, "No");
    return record.Password().empty() ? localText(kStrSharedYes, "Yes")
                                     : localText(kStrSharedPassword, "Password");
}

void PrintersDialog::setRow(QTreeWidgetItem* item, const PRTCFG& record)
{
    item->setText(0, QString::fromStdString(record.printerName));
    item->setText(1, sharedText(record));
    item->setText(2, QString::fromStdString(record.shareName));
}

void PrintersDialog::fillList()
{
    m_list->clear();
    const std::vector<PRTCFG> records = m_printers.Records();
    m_list->setEnabled(!records.empty());
    for (const PRTCFG& record : records) {
        if (!record.installed || record.printerName.empty())
            continue;
        setRow(new QTreeWidgetItem(m_list), record);
    }
    for (int c = 0; c < 3; ++c)
        m_list->resizeColumnToContents(c);
}

void PrintersDialog::editRow(QTreeWidgetItem* item)
{
    if (!item || !m_shareEditor)
        return;
    std::optional<PRTCFG> record = m_printers.FindPrtCfg(item->text(0).toStdString());
    if (!record)
        return;
    PRTCFG edited = *record;
    if (!m_shareEditor(edited, this))
        return;
    // The next save builds the driver names again.
    edited.installed = true;
    edited.devNames.reset();
    m_printers.ReplacePrtCfg(edited);
    setRow(item, edited);
    for (int c = 0; c < m_list->columnCount(); ++c)
        m_list->resizeColumnToContents(c);
    m_list->setCurrentItem(item);
}

bool PrintersDialog::portOf(QLineEdit* edit, uint16_t* port)
{
    std::optional<uint16_t> value = ParsePortText(edit->text().toStdString());
    if (!value)
        return false;
    *port = *value;
    return true;
}

void PrintersDialog::auxPortEntered()
{
    uint16_t service = 0, aux = 0;
    if (!portOf(m_servicePort, &service) || !portOf(m_auxPort, &aux))
        return;
    if (FixAuxPort(service, &aux)) {
        box(localText(kStrAuxPortConflict, "").toStdString(), platform::ui::kMbOk);
        m_auxPort->setText(QString::number(aux));
    }
}

void PrintersDialog::servicePortEntered()
{
    uint16_t service = 0, aux = 0;
    if (!portOf(m_servicePort, &service) || service == m_previousServicePort)
        return;
    m_previousServicePort = service;
    auxPortEntered();
    if (!portOf(m_auxPort, &aux))
        aux = 0;
    if (std::optional<uint16_t> proposal = ProposedAuxPort(service, aux)) {
        const std::string text = formatted(kStrProposeAuxPort, "%u", *proposal);
        if (box(text, platform::ui::kMbYesNo | platform::ui::kMbIconQuestion) == platform::ui::kIdYes)
            m_auxPort->setText(QString::number(*proposal));
    }
}

void PrintersDialog::accept()
{
    uint16_t service = 0, aux = 0;
    if (!portOf(m_servicePort, &service) || !portOf(m_auxPort, &aux) || aux == service) {
        box(localText(kStrBadPort, "A port is a number from 1 to 65535, and the two ports must differ.")
                .toStdString(),
            platform::ui::kMbOk | platform::ui::kMbIconExclamation);
        return;
    }
    CPrinter::DialogValues values = m_printers.GetDlgValues();
    values.useDns = m_useDns->isChecked();
    values.servicePort = service;
    values.auxPort = aux;
    values.progressMode = std::max(0, m_progress->checkedId());
    m_printers.OnDialogOk(values);
    QDialog::accept();
}

void PrintersDialog::reject()
{
    m_printers.OnDialogCancel();
    QDialog::reject();
}

} // namespace typestone
