// The main window's non-visual objects as components, so that a stored form description can create, name and
// configure them: the table (a TOrdaneDataSet), its persistent string fields (nested in the table's block) and the
// data source. Each holds its object; references between them are dropped when the other side goes.
#pragma once

#include "engine/cursor/ordane_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/field.h"
#include "framework/window/form_reader.h"

// The table. Its stored properties are set as one load (the data set stays closed and keeps its index file list
// whatever the order of the properties), finished when the whole description is read.
class TOrdaneTableComponent : public TObjectComponent<TOrdaneDataSet> {
public:
    explicit TOrdaneTableComponent(TComponent* owner);
    ~TOrdaneTableComponent() override;

protected:
    void Loaded() override;

private:
    bool loading_ = true;  // BeginLoading without its EndLoading yet
};

// A persistent string field, attached to the table whose block encloses its own.
class TStringFieldComponent : public TObjectComponent<TStringField> {
public:
    explicit TStringFieldComponent(TComponent* owner) : TObjectComponent<TStringField>(owner) {}
    ~TStringFieldComponent() override;
    // REQUIRES: parent is a TOrdaneTableComponent (else EPropertyValueError).
    void SetParentComponent(TComponent* parent) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TOrdaneTableComponent* table_ = nullptr;  // the table the field is attached to
};

// The data source; its DataSet names a table component.
class TDataSourceComponent : public TObjectComponent<TDataSource> {
public:
    explicit TDataSourceComponent(TComponent* owner) : TObjectComponent<TDataSource>(owner) {}
    ~TDataSourceComponent() override;
    void SetDataSetComponent(TOrdaneTableComponent* table);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TOrdaneTableComponent* table_ = nullptr;  // the table component whose data set is connected
};

// Registers TOrdaneDataSet, TStringField and TDataSource with their stored properties.
void RegisterDataComponents(TFormClasses& classes);
