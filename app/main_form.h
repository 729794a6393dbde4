// TForm1: the main window. Everything it shows is built from its stored description (embedded in the program);
// its own logic is two handlers: on creation it opens Table1, and on every data change of DataSource1 it copies
// the current record's EXENAME into the launcher button's ExeFile.
#pragma once

#include <string>

#include "app/data_components.h"
#include "app/run_button.h"
#include "framework/window/forms.h"
#include "grid/db_grid.h"
#include "grid/pk_db_navigator.h"

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);
    // Takes the handler off the data source and closes the table while every component is still there.
    ~TForm1() override;

    // Reads the embedded main window description, then finds the published components by name.
    void ReadDescription() override;

    // The published components (nullptr until the description is read, and once a component goes).
    TOrdaneDataSet* Table1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TpkDBGrid* pkDBGrid1 = nullptr;
    TpkDBNavigator* pkDBNavigator1 = nullptr;
    TpkNavButton* pkDBNavigator1Prior = nullptr;
    TpkNavButton* pkDBNavigator1Next = nullptr;
    TQmRunButton* QmRunButton1 = nullptr;
    TStringField* Table1TITLE = nullptr;
    TStringField* Table1EXENAME = nullptr;

    // The published handlers.
    void FormCreate(TComponent& sender);
    void DataSource1DataChange(TComponent& sender, TField* field);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    // The component of that name and class, or nullptr.
    template <class C>
    C* Published(const std::string& name) const {
        return dynamic_cast<C*>(FindComponent(name));
    }

    TComponent* table1Component_ = nullptr;        // the components behind the published objects, so that a
    TComponent* dataSource1Component_ = nullptr;   // component that goes takes its object's pointer with it
    TComponent* titleComponent_ = nullptr;
    TComponent* exeNameComponent_ = nullptr;
};

// Registers every class the main window description names (the window layer's own are always there).
void RegisterApplicationClasses();
