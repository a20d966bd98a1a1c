#pragma once
// The product offer "Products Available For Updating": a check list of the available products
// with their sizes, an information pane for the selected one, "More Info" for its release
// notes and a check box for further notifications. OK stores each listed product's tick in
// its chosen flag.

#include "klv_inet/widgets/widgets_export.h"

#include <QDialog>

#include <vector>

class CProduct;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

class KLV_WIDGETS_EXPORT CProdUpdate : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kList = 1214, kPane = 1215, kMoreInfo = 3, kNotify = 5075;

    // `products` may be null: the list is then disabled and OK changes nothing.
    CProdUpdate(const std::vector<CProduct*>* products, unsigned long flags, QWidget* parent = nullptr);
    ~CProdUpdate() override;

    int DoModal();
    int notifyValue() const { return m_notify; }
    CProduct* currentProduct() const { return m_current; }

    QListWidget* list() const { return m_list; }
    QLabel* pane() const { return m_pane; }
    QPushButton* moreInfoButton() const { return m_moreInfo; }
    QCheckBox* notifyBox() const { return m_notifyBox; }

    void OnSelChange();
    void OnMoreInfo();
    void accept() override; // OnOK

private:
    const std::vector<CProduct*>* m_products;
    CProduct* m_current = nullptr;
    unsigned long m_flags;
    int m_notify;
    QListWidget* m_list;
    QLabel* m_pane;
    QPushButton* m_moreInfo;
    QCheckBox* m_notifyBox;
};
