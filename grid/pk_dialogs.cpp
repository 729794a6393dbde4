#include "grid/pk_dialogs.h"

#include "framework/data/data_link.h"
#include "framework/data/data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_error.h"
#include "framework/data/field.h"

TDataSet* TpkCustomDialog::DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }

bool TpkCustomDialog::Execute() {
    if (!DataSet()) return false;
    if (OnExecute) OnExecute(*this);
    return true;
}

TpkCustomDialog* CreatePkDialog(const std::string& className, TComponent* owner) {
    if (className == "TpkFilterDialog") return new TpkFilterDialog(owner);
    if (className == "TpkRecordViewDialog") return new TpkRecordViewDialog(owner);
    if (className == "TpkLocateDialog") return new TpkLocateDialog(owner);
    if (className == "TpkSearchDialog") return new TpkSearchDialog(owner);
    return nullptr;
}
