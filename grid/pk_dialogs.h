// The library's dialog components as far as the navigator's dialog buttons need them: a data set to work on
// (through DataSource, or SearchTable for the search dialog) and Execute. Execute shows nothing yet: it reports
// whether the dialog has a data set to work on.
#pragma once

#include <functional>
#include <string>

#include "framework/window/component.h"

class TDataSet;
class TDataSource;

class TpkCustomDialog : public TComponent {
public:
    explicit TpkCustomDialog(TComponent* owner) : TComponent(owner) {}

    // The data set the dialog works on (DataSource's, or SearchTable), or nullptr.
    virtual TDataSet* DataSet() const;
    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source) { dataSource_ = source; }
    // Runs the dialog; false when it has no data set.
    virtual bool Execute();
    // The class name the navigator matches dialog styles by ("TpkFilterDialog", ...).
    virtual std::string ClassName() const = 0;
    // Whether the dialog has a class-typed published property of that name ("DataSource", "SearchTable").
    virtual bool HasProperty(const std::string& name) const { return name == "DataSource"; }

    std::function<void(TpkCustomDialog&)> OnExecute;  // called by Execute, for the program and the tests

private:
    TDataSource* dataSource_ = nullptr;  // borrowed
};

class TpkFilterDialog : public TpkCustomDialog {
public:
    using TpkCustomDialog::TpkCustomDialog;
    std::string ClassName() const override { return "TpkFilterDialog"; }
};

class TpkRecordViewDialog : public TpkCustomDialog {
public:
    using TpkCustomDialog::TpkCustomDialog;
    std::string ClassName() const override { return "TpkRecordViewDialog"; }
};

class TpkLocateDialog : public TpkCustomDialog {
public:
    using TpkCustomDialog::TpkCustomDialog;
    std::string ClassName() const override { return "TpkLocateDialog"; }
};

class TpkSearchDialog : public TpkCustomDialog {
public:
    using TpkCustomDialog::TpkCustomDialog;
    std::string ClassName() const override { return "TpkSearchDialog"; }
    TDataSet* DataSet() const override { return searchTable_; }
    TDataSet* SearchTable() const { return searchTable_; }
    void SetSearchTable(TDataSet* table) { searchTable_ = table; }
    bool HasProperty(const std::string& name) const override { return name == "SearchTable"; }

private:
    TDataSet* searchTable_ = nullptr;  // borrowed
};

// A new dialog of a registered class name ("TpkFilterDialog", ...), or nullptr for an unknown name.
TpkCustomDialog* CreatePkDialog(const std::string& className, TComponent* owner);
