#pragma once
// TKlenZona: the suggested mask to edit, the zone it goes to, and "Add to
// the indicated Zone", which validates and writes it.

#include <QDialog>

#include <memory>

namespace Ui {
class TKlenZona;
}

namespace kp {

class MessageService;
class ZoneSettings;

class TKlenZona : public QDialog {
    Q_OBJECT
public:
    TKlenZona(ZoneSettings& settings, MessageService& messages, QWidget* parent = nullptr);
    ~TKlenZona() override;

    // The suggestion for ZoneToAdd, the menu item's caption for LabelResult
    // and the zone the mask is added to.
    void prepare(const QString& suggestion, const QString& resultCaption, int zone);

public slots:
    void AddToZoneBtnClick();
    void CancelbtnClick();

private:
    std::unique_ptr<Ui::TKlenZona> ui_;
    ZoneSettings& settings_;
    MessageService& messages_;
    int zone_ = -1;
};

} // namespace kp
