// TdvExpressionLink: the seam between a table and the expression engine's bindings for it.
//
// Every open table owns one link, through which expressions reach its fields and its state (RECNO, DELETED,
// ...). The bindings belong to the expression engine, which sits above storage; storage must not depend on it.
// So storage declares this interface and a factory hook, and the expression engine implements the interface and
// installs its factory once at start-up (SetExpressionLinkFactory). A table opened while no factory is installed
// (storage used on its own) has no link; everything else about it works.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class DVO_dBaseFld;

// What an expression node links to. A handler's CollectNames picks the nodes of one kind: the table handler and the
// data set collect the field variables of a key expression to learn which fields it reads.
enum TdvLinkKind : int {
    lkNone = -1,          // operators, constants, functions
    lkUserVariable = 16,  // a variable of a user link (the base of field variables)
    lkTableField = 17,    // a field of the link's table
};

class TdvExpressionLink {
public:
    virtual ~TdvExpressionLink() = default;
    // Registers the table function of that name (RECNO, DELETED, BOF, EOF, TYPE, LEN, FIELDNO).
    virtual void AddTableFunction(const std::string& name) = 0;
    // Registers the field variable of field number fieldNumber (1-based) of the link's table.
    virtual void AddFieldVariable(int32_t fieldNumber) = 0;
};

// Builds an empty link for a table that is being opened; the table owns the result and destroys it before
// itself. The link may keep the table pointer for its lifetime.
using TdvExpressionLinkFactory = std::unique_ptr<TdvExpressionLink> (*)(DVO_dBaseFld* table);

// Installs the factory (nullptr removes it). Called once at start-up, before any table opens.
void SetExpressionLinkFactory(TdvExpressionLinkFactory factory);
TdvExpressionLinkFactory ExpressionLinkFactory();
