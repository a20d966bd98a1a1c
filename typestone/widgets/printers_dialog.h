#pragma once
// "Printers Available to Share": the printers of this machine with their share state, the use-DNS
// switch, the two TCP ports and the print-progress mode. Desktop mode only; GUI thread only.
//
// The printer list comes from CPrinter (refreshed when the dialog opens); OK stores everything
// through CPrinter::OnDialogOk. A double click hands the row's record to the share editor
// (the share dialog unless another one is set) and shows the edited record afterwards.

#include "typestone/server/printer_config.h"

#include <QDialog>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace typestone {

class PrintersDialog : public QDialog
{
    Q_OBJECT

public:
    // Edits one record; true when it was changed (the share dialog's OK).
    using ShareEditor = std::function<bool(PRTCFG& record, QWidget* parent)>;

    explicit PrintersDialog(CPrinter& printers, QWidget* parent = nullptr);

    void setShareEditor(ShareEditor editor) { m_shareEditor = std::move(editor); }

    QTreeWidget* printerList() const { return m_list; }
    QLineEdit* servicePortEdit() const { return m_servicePort; }
    QLineEdit* auxPortEdit() const { return m_auxPort; }
    QCheckBox* useDnsBox() const { return m_useDns; }
    QButtonGroup* progressGroup() const { return m_progress; }

    // The texts of the "Shared" column.
    static QString sharedText(const PRTCFG& record);

    void accept() override;
    void reject() override;

public slots:
    // The rules run when an edit loses the focus.
    void servicePortEntered();
    void auxPortEntered();
    void editRow(QTreeWidgetItem* item);

private:
    void fillList();
    void setRow(QTreeWidgetItem* item, const PRTCFG& record);
    bool portOf(QLineEdit* edit, uint16_t* port);

    CPrinter& m_printers;
    ShareEditor m_shareEditor;
    QTreeWidget* m_list = nullptr;
    QCheckBox* m_useDns = nullptr;
    QLineEdit* m_servicePort = nullptr;
    QLineEdit* m_auxPort = nullptr;
    QButtonGroup* m_progress = nullptr;
    uint16_t m_previousServicePort = 0;
};

} // namespace typestone
