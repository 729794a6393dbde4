#include "app/main_form.h"

#include "app/main_window_description.h"
#include "framework/window/form_reader.h"

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    DefineMethod<void(TComponent&)>("FormCreate", [this](TComponent& sender) { FormCreate(sender); });
    DefineMethod<void(TComponent&, TField*)>("DataSource1DataChange",
                                             [this](TComponent& sender, TField* field) { DataSource1DataChange(sender, field); });
}

TForm1::~TForm1() {
    MarkDestroying();
    if (DataSource1) DataSource1->OnDataChange = nullptr;
    if (Table1) {
        try {
            Table1->Close();
        } catch (...) {
            // Closing a read-only table writes nothing; a failure here leaves nothing to save.
        }
    }
}

void TForm1::ReadDescription() {
    RegisterApplicationClasses();
    TFormReader::ReadComponent(*this, MainWindowDescription());
    auto* table = Published<TOrdaneTableComponent>("Table1");
    auto* source = Published<TDataSourceComponent>("DataSource1");
    auto* title = Published<TStringFieldComponent>("Table1TITLE");
    auto* exeName = Published<TStringFieldComponent>("Table1EXENAME");
    table1Component_ = table;
    dataSource1Component_ = source;
    titleComponent_ = title;
    exeNameComponent_ = exeName;
    Table1 = table ? &table->Object() : nullptr;
    DataSource1 = source ? &source->Object() : nullptr;
    pkDBGrid1 = Published<TpkDBGrid>("pkDBGrid1");
    pkDBNavigator1 = Published<TpkDBNavigator>("pkDBNavigator1");
    pkDBNavigator1Prior = Published<TpkNavButton>("pkDBNavigator1Prior");
    pkDBNavigator1Next = Published<TpkNavButton>("pkDBNavigator1Next");
    QmRunButton1 = Published<TQmRunButton>("QmRunButton1");
    Table1TITLE = title ? &title->Object() : nullptr;
    Table1EXENAME = exeName ? &exeName->Object() : nullptr;
}

void TForm1::FormCreate(TComponent&) {
    if (Table1) Table1->Open();
}

void TForm1::DataSource1DataChange(TComponent&, TField*) {
    if (!QmRunButton1) return;
    // A closed table has no current record, so nothing to launch.
    bool current = Table1 && Table1->Active() && Table1EXENAME;
    QmRunButton1->SetExeFile(current ? Table1EXENAME->AsString() : std::string());
}

void TForm1::Notification(TComponent* component, TOperation operation) {
    TForm::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == table1Component_) {
        Table1 = nullptr;
        table1Component_ = nullptr;
    }
    if (component == dataSource1Component_) {
        DataSource1 = nullptr;
        dataSource1Component_ = nullptr;
    }
    if (component == QmRunButton1) QmRunButton1 = nullptr;
    if (component == pkDBGrid1) pkDBGrid1 = nullptr;
    if (component == pkDBNavigator1) pkDBNavigator1 = nullptr;
    if (component == pkDBNavigator1Prior) pkDBNavigator1Prior = nullptr;
    if (component == pkDBNavigator1Next) pkDBNavigator1Next = nullptr;
    if (component == titleComponent_) {
        Table1TITLE = nullptr;
        titleComponent_ = nullptr;
    }
    if (component == exeNameComponent_) {
        Table1EXENAME = nullptr;
        exeNameComponent_ = nullptr;
    }
}

void RegisterApplicationClasses() {
    TFormClasses& classes = TFormClasses::Instance();
    classes.RegisterClass<TForm1>("TForm1", "TForm");
    RegisterDataComponents(classes);
    RegisterRunButton(classes);
}
