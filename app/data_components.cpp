#include "app/data_components.h"

TOrdaneTableComponent::TOrdaneTableComponent(TComponent* owner) : TObjectComponent<TOrdaneDataSet>(owner) {
    Object().BeginLoading();
}

TOrdaneTableComponent::~TOrdaneTableComponent() {
    MarkDestroying();
    if (loading_) Object().EndLoading();
}

void TOrdaneTableComponent::Loaded() {
    TObjectComponent<TOrdaneDataSet>::Loaded();
    if (loading_) {
        loading_ = false;
        Object().EndLoading();
    }
}

TStringFieldComponent::~TStringFieldComponent() {
    MarkDestroying();
    Object().SetDataSet(nullptr);
}

void TStringFieldComponent::SetParentComponent(TComponent* parent) {
    auto* table = dynamic_cast<TOrdaneTableComponent*>(parent);
    if (!table) throw EPropertyValueError("a field belongs inside the block of its data set");
    if (table_) RemoveFreeNotification(table_);
    table_ = table;
    FreeNotification(table_);
    Object().SetDataSet(&table_->Object());
}

void TStringFieldComponent::Notification(TComponent* component, TOperation operation) {
    TObjectComponent<TStringField>::Notification(component, operation);
    if (operation == opRemove && component == table_) {
        Object().SetDataSet(nullptr);
        table_ = nullptr;
    }
}

TDataSourceComponent::~TDataSourceComponent() {
    MarkDestroying();
    Object().SetDataSet(nullptr);
}

void TDataSourceComponent::SetDataSetComponent(TOrdaneTableComponent* table) {
    if (table_) RemoveFreeNotification(table_);
    table_ = table;
    if (table_) FreeNotification(table_);
    Object().SetDataSet(table_ ? &table_->Object() : nullptr);
}

void TDataSourceComponent::Notification(TComponent* component, TOperation operation) {
    TObjectComponent<TDataSource>::Notification(component, operation);
    if (operation == opRemove && component == table_) {
        Object().SetDataSet(nullptr);
        table_ = nullptr;
    }
}

void RegisterDataComponents(TFormClasses& r) {
    using Table = TOrdaneTableComponent;
    r.RegisterCreatable<Table>("TOrdaneDataSet", "TComponent");
    r.RegisterString<Table>("TOrdaneDataSet", "DatabaseName", [](Table& t, const std::string& v) { t.Object().SetDatabaseName(v); });
    r.RegisterString<Table>("TOrdaneDataSet", "TableName", [](Table& t, const std::string& v) { t.Object().SetTableName(v); });
    r.RegisterString<Table>("TOrdaneDataSet", "IndexName", [](Table& t, const std::string& v) { t.Object().SetIndexName(v); });
    r.RegisterProperty("TOrdaneDataSet", "IndexFiles.Strings", [](TComponent& c, const TFormValue& v, TFormReader&) {
        TStringList lines;
        TFormClasses::AssignStrings(lines, v);
        TFormClasses::Cast<Table>(c).Object().SetIndexFiles(lines);
    });
    r.RegisterBool<Table>("TOrdaneDataSet", "ReadOnly", [](Table& t, bool v) { t.Object().SetReadOnly(v); });
    r.RegisterBool<Table>("TOrdaneDataSet", "Exclusive", [](Table& t, bool v) { t.Object().SetExclusive(v); });
    r.RegisterBool<Table>("TOrdaneDataSet", "UseDeleted", [](Table& t, bool v) { t.Object().SetUseDeleted(v); });
    r.RegisterBool<Table>("TOrdaneDataSet", "TranslateASCII", [](Table& t, bool v) { t.Object().SetTranslateASCII(v); });

    using Field = TStringFieldComponent;
    r.RegisterCreatable<Field>("TStringField", "TComponent");
    r.RegisterString<Field>("TStringField", "FieldName", [](Field& f, const std::string& v) { f.Object().SetFieldName(v); });
    r.RegisterInteger<Field>("TStringField", "Size", [](Field& f, int v) { f.Object().SetSize(v); });
    r.RegisterString<Field>("TStringField", "DisplayLabel", [](Field& f, const std::string& v) { f.Object().SetDisplayLabel(v); });
    r.RegisterInteger<Field>("TStringField", "DisplayWidth", [](Field& f, int v) { f.Object().SetDisplayWidth(v); });
    r.RegisterBool<Field>("TStringField", "Visible", [](Field& f, bool v) { f.Object().SetVisible(v); });

    using Source = TDataSourceComponent;
    r.RegisterCreatable<Source>("TDataSource", "TComponent");
    r.RegisterReference<Source, Table>("TDataSource", "DataSet", &Source::SetDataSetComponent);
    r.RegisterBool<Source>("TDataSource", "AutoEdit", [](Source& s, bool v) { s.Object().SetAutoEdit(v); });
    r.RegisterBool<Source>("TDataSource", "Enabled", [](Source& s, bool v) { s.Object().SetEnabled(v); });
    // The handler the root defines takes the source component as its sender.
    r.RegisterProperty("TDataSource", "OnDataChange", [](TComponent& c, const TFormValue& v, TFormReader& reader) {
        if (v.kind != TFormValue::vkIdent) throw EPropertyValueError("expects a handler name, got " + v.Describe());
        using Sig = void(TComponent&, TField*);
        const std::function<Sig>* handler = reader.Root().FindMethod<Sig>(v.text);
        if (!handler) {
            if (reader.Root().HasMethod(v.text)) throw EPropertyValueError("handler " + v.text + " does not fit this event");
            throw EPropertyValueError("there is no handler named " + v.text);
        }
        Source& source = TFormClasses::Cast<Source>(c);
        source.Object().OnDataChange = [&source, h = *handler](TDataSource&, TField* field) { h(source, field); };
    });
}
