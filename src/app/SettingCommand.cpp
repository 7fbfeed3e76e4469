#include "SettingCommand.h"

#include "AppData.h"
#include "Calculator.h"
#include "SettingDlg.h"

bool RunSettingDialog(QWidget* Parent, TCalculator& Calculator,
                      const std::function<void(int)>& ApplyTransparencyValue) {
    TAppData& appData = Calculator.SettingDialogAppData();
    TSettingDialog dialog(Parent);
    dialog.SetAppData(&appData);
    QObject::connect(&dialog, &TSettingDialog::Cleared, &Calculator, &TCalculator::SettingsCleared);
    dialog.FillControls();
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.CopyToAppData();
    if (ApplyTransparencyValue) ApplyTransparencyValue(appData.TransparencyValue);
    Calculator.ApplySettings();
    return true;
}
