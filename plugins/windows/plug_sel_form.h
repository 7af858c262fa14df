#pragma once
// TPlugSelForm: the plugin folder's plugins with a check box each, the lines
// of the plugin under the cursor, and the ticked names saved to Plugins.Dat.

#include <QDialog>

#include <memory>
#include <vector>

namespace Ui {
class TPlugSelForm;
}

class QTreeWidgetItem;

namespace kp {

struct FolderSet;
struct PurgeContext;

class TPlugSelForm : public QDialog {
    Q_OBJECT
public:
    TPlugSelForm(PurgeContext& context, FolderSet& folders, QWidget* parent = nullptr);
    ~TPlugSelForm() override;

    QString ShownPluginName() const { return shownPluginName_; }
    std::vector<std::string> shownLines() const;

public slots:
    void FormActivate();
    void SConfigSaveBtnClick();
    void SConfigExitBtnClick();
    void PlugTestBtnClick();
    void AllOnButtonClick();
    void AllOffButtonClick();
    // Shows the lines of the selected plugin (mouse up, key up).
    void ShowSelectedPlugin();

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing ends here: the placement is saved.
    void done(int result) override;

private:
    void ListView1Change(QTreeWidgetItem* item);
    void setAllTicks(bool on);
    // False when Plugins.Dat could not be written (the user was told).
    bool saveSelection();

    std::unique_ptr<Ui::TPlugSelForm> ui_;
    PurgeContext& context_;
    FolderSet& folders_;
    bool listFilling_ = false;
    QString shownPluginName_;
    std::vector<std::string> shownLines_;
};

} // namespace kp
