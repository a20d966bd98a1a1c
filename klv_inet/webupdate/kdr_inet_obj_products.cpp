// CKDRInetObj: the product list, the offer and the dispatch of downloads.

#include "klv_inet/webupdate/kdr_inet_obj.h"

#include "klv_inet/support/library_text.h"
#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/msg_dlg_ids.h"
#include "klv_inet/support/msg_strings.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"
#include "klv_inet/support/text_compare.h"
#include "klv_inet/webupdate/ini_file.h"
#include "klv_inet/webupdate/product.h"
#include "klv_inet/webupdate/product_names.h"
#include "klv_inet/webupdate/update_dialog_host.h"
#include "klv_inet/webupdate/web_strings.h"

#include "platform/ui/message_box.h"

#include <QMetaObject>
#include <QObject>

#include <cstring>

namespace {

std::string updatesSection(const std::string& app)
{
    std::string s;
    return FormSection(s, "Updates", app.c_str());
}

} // namespace

int CKDRInetObj::ProdFromUpdateFile(int fromFile)
{
    m_bOffer = 0;
    if (fromFile)
        GetProducts();
    else
        LoadAppProdEntries();
    CleanProdList(0);
    for (const std::string& name : m_productNames) {
        auto* p =
            new CProduct(m_szApplication.c_str(), name.c_str(), fromFile ? m_szLocalFile.c_str() : "", this);
        {
            std::lock_guard lock(m_productsMutex);
            m_products.push_back(p);
        }
        if (p->IsProductAvailable() && (!m_bBackground || p->PromptUser()))
            m_bOffer = 1;
    }
    CProduct::RemoveDownloadedFile(m_szApplication.c_str(), m_szLocalFile.c_str(), 0);
    return 1;
}

void CKDRInetObj::GetProducts()
{
    const std::optional<klv::IniFile> file = klv::IniFile::load(m_szLocalFile);
    if (!file) {
        // A file that cannot be read (a merge beyond the reader's bound) keeps the stored list.
        LoadAppProdEntries();
        return;
    }
    m_productNames = klv::ParseProductNames(*file, m_szApplication);
    SaveAppProdEntries();
}

void CKDRInetObj::SaveAppProdEntries()
{
    const std::string section = updatesSection(m_szApplication);
    unsigned n = 1;
    for (const std::string& name : m_productNames) {
        SetRegistryEntry(section.c_str(), ("Product" + std::to_string(n)).c_str(), name.c_str(),
                         uint32_t(name.size()), KLV_REG_SZ);
        ++n;
    }
    for (;; ++n) {
        const std::string value = "Product" + std::to_string(n);
        uint32_t size = 0;
        GetRegistryEntry(section.c_str(), value.c_str(), nullptr, &size);
        if (size == 0)
            break;
        RemoveRegistryValue(section.c_str(), value.c_str());
    }
}

void CKDRInetObj::LoadAppProdEntries()
{
    m_productNames.clear();
    const std::string section = updatesSection(m_szApplication);
    for (unsigned n = 1; n <= klv::kMaxProductsPerSection * 2; ++n) {
        char buf[256] = {};
        uint32_t size = sizeof buf;
        if (!GetRegistryEntry(section.c_str(), ("Product" + std::to_string(n)).c_str(), buf, &size) ||
            !buf[0])
            break;
        m_productNames.emplace_back(buf, strnlen(buf, sizeof buf));
    }
}

void CKDRInetObj::CleanProdList(int /*deleteList*/)
{
    std::vector<CProduct*> old;
    {
        std::lock_guard lock(m_productsMutex);
        old.swap(m_products);
    }
    for (CProduct* p : old) {
        p->SaveProduct();
        delete p;
    }
}

int CKDRInetObj::What2Download(int confirmed, unsigned long* totalSize, unsigned long* count)
{
    if (!totalSize || !count)
        return 0;
    *totalSize = 0;
    *count = 0;
    for (CProduct* p : m_products) {
        if (p->Need2Download(confirmed) && p->m_nSize != 0) {
            *totalSize += p->m_nSize;
            ++*count;
        }
    }
    if (*count != 0)
        return UpdateRequest(confirmed);
    *totalSize = 0;
    return 0;
}

void CKDRInetObj::_DoProdUpdate()
{
    if (m_bBackground && m_nLastResult != 0)
        return;
    int confirmed = 0;
    if (m_bOffer) {
        klv::UpdateDialogHost* host = klv::UpdateDialogHost::installed();
        // Without a place to show the offer nobody can choose: nothing changes until a
        // query that can ask.
        if (!host)
            return;
        int notify = int(m_dwConfig & kCfgBackgroundAuthorized);
        confirmed = host->runProductDialog(m_products, m_dwConfig, &notify) == platform::ui::kIdOk;
    }
    bool acted = false;
    bool requested = false;
    bool requestOk = false;
    int offset = 0;
    for (CProduct* p : m_products) {
        if (!p)
            continue;
        if (p->Need2Download(confirmed)) {
            if (!requested) {
                requested = true;
                requestOk = UpdateRequest(confirmed) != 0;
            }
            if (!requestOk)
                continue;
            acted = true;
            startDownload(p, offset);
            offset += 10;
        } else if (p->Need2Install(1)) {
            acted = true;
            p->Install_Product();
        } else if (!confirmed || !p->m_bChosen) {
            p->ChangeStatus(CProduct::Refused);
        }
    }
    if (!acted && !m_bOffer && !m_bBackground)
        klv::libraryMessage(
            klv::messageString(m_nLastResult == 0 ? klv::webstr::kNothingNewer : klv::webstr::kQueryFailed),
            platform::ui::kMbOk);
}

void CKDRInetObj::startDownload(CProduct* product, int /*offset*/)
{
    const std::string title = klv::formatLibraryString(klv::webstr::kDownloading, {product->m_szName});
    CMsgDlgOptions o;
    o.templateId = klv::msgdlg::kTemplateFileCopy;
    o.title = title.c_str();
    o.cancellable = true;
    o.showAlways = true;
    o.libraryResources = true;
    delete product->m_pDlg;
    product->m_pDlg = new CMsgDlg(o);
    product->m_pOwner = this;
    ++m_runningDownloads;
    std::lock_guard lock(m_threadsMutex);
    m_downloadThreads.emplace_back([product] { Prod_DownLoad(product); });
}

unsigned CKDRInetObj::Prod_DownLoad(CProduct* product)
{
    if (!product)
        return 1;
    CKDRInetObj* owner = product->m_pOwner;
    const int code = product->Download_Product(owner ? &owner->m_stop : nullptr);
    if (owner && !owner->m_stop) {
        product->Post_Rcode(unsigned(code));
        QMetaObject::invokeMethod(
            owner->m_window.get(), [owner, product] { owner->OnProdDownload(product); },
            Qt::QueuedConnection);
    }
    if (owner)
        --owner->m_runningDownloads;
    return unsigned(code);
}

void CKDRInetObj::OnProdDownload(CProduct* product)
{
    if (!product)
        return;
    // The worker that sent this has ended or is ending; its thread is joined with the others.
    product->Install_Product();
}
