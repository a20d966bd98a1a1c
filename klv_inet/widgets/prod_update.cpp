#include "klv_inet/widgets/prod_update.h"

#include "klv_inet/support/text_compare.h"
#include "klv_inet/webupdate/prod_update_text.h"
#include "klv_inet/webupdate/product.h"

#include "platform/ui/message_box.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString text(unsigned id)
{
    return QString::fromStdString(klv::WebUpdateString(id));
}

bool newer(const CProduct* p)
{
    return p && p->m_nCurrVersion < p->m_nUpdVersion;
}

} // namespace

CProdUpdate::CProdUpdate(const std::vector<CProduct*>* products, unsigned long flags, QWidget* parent)
    : QDialog(parent), m_products(products), m_flags(flags), m_notify(int(flags & 1)),
      m_list(new QListWidget(this)), m_pane(new QLabel(this)), m_moreInfo(new QPushButton(text(8022), this)),
      m_notifyBox(new QCheckBox(text(8024), this))
{
    setWindowTitle(text(8020));
    m_list->setObjectName(QString::number(kList));
    m_pane->setObjectName(QString::number(kPane));
    m_moreInfo->setObjectName(QString::number(kMoreInfo));
    m_notifyBox->setObjectName(QString::number(kNotify));
    m_notifyBox->setChecked(m_notify != 0);
    // Remote texts are shown as they are, never as markup.
    m_pane->setTextFormat(Qt::PlainText);
    m_pane->setWordWrap(true);
    m_pane->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(14);
    m_list->setFont(font);
    m_pane->setFont(font);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(text(8023), QDialogButtonBox::AcceptRole);
    ok->setObjectName("1");
    QPushButton* cancel = buttons->addButton(text(8017), QDialogButtonBox::RejectRole);
    cancel->setObjectName("2");
    connect(buttons, &QDialogButtonBox::accepted, this, &CProdUpdate::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_moreInfo, &QPushButton::clicked, this, &CProdUpdate::OnMoreInfo);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(text(8021), this));
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_list, 3);
    middle->addWidget(m_pane, 2);
    layout->addLayout(middle);
    auto* row = new QHBoxLayout;
    row->addWidget(m_moreInfo);
    row->addStretch();
    row->addWidget(buttons);
    layout->addWidget(m_notifyBox);
    layout->addLayout(row);
    resize(900, 360);

    // OnInitDialog.
    m_moreInfo->setEnabled(false);
    if (!m_products) {
        m_list->setEnabled(false);
    } else {
        for (CProduct* p : *m_products) {
            if (!p || !p->IsProductAvailable())
                continue;
            auto* item = new QListWidgetItem(QString::fromStdString(klv::ProductLine(*p)), m_list);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(p->m_bChosen ? Qt::Checked : Qt::Unchecked);
        }
        if (m_list->count() > 0)
            m_list->setCurrentRow(0);
    }
    connect(m_list, &QListWidget::currentRowChanged, this, &CProdUpdate::OnSelChange);
    OnSelChange();
}

CProdUpdate::~CProdUpdate() = default;

int CProdUpdate::DoModal()
{
    return exec() == QDialog::Accepted ? platform::ui::kIdOk : platform::ui::kIdCancel;
}

void CProdUpdate::OnSelChange()
{
    m_current = nullptr;
    const QListWidgetItem* item = m_list->currentItem();
    if (item && m_products) {
        const std::string line = item->text().toStdString();
        for (CProduct* p : *m_products) {
            if (newer(p) && klv::equalsNoCase(klv::ProductLine(*p), line)) {
                m_current = p;
                break;
            }
        }
    }
    m_moreInfo->setEnabled(m_current != nullptr);
    m_pane->setText(m_current ? QString::fromStdString(klv::ProductPaneText(*m_current)) : QString());
}

void CProdUpdate::OnMoreInfo()
{
    if (!m_current)
        return;
    const QUrl url(QString::fromStdString(m_current->m_szRelNotes), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    // Only web pages, opened by the desktop without waiting for them.
    if (url.isValid() && (scheme == "http" || scheme == "https"))
        QDesktopServices::openUrl(url);
}

void CProdUpdate::accept()
{
    m_notify = m_notifyBox->isChecked() ? 1 : 0;
    if (m_products) {
        for (CProduct* p : *m_products) {
            if (!newer(p))
                continue;
            const QString line = QString::fromStdString(klv::ProductLine(*p));
            const QList<QListWidgetItem*> found =
                m_list->findItems(line, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (!found.isEmpty())
                p->m_bChosen = found.first()->checkState() == Qt::Checked ? 1 : 0;
        }
    }
    QDialog::accept();
}
