#include "talkoptions.h"

#include "optionvalues.h"

#include <variant>

// Through the options' table, so no field can be missed.

bool TalkOptions::isEmpty() const
{
    for (const OptionValues::Option &option : OptionValues::options()) {
        if (std::visit([this](auto field) { return (this->*field).has_value(); }, option.field))
            return false;
    }
    return true;
}

TalkOptions TalkOptions::overriddenBy(const TalkOptions &over) const
{
    TalkOptions result = *this;
    for (const OptionValues::Option &option : OptionValues::options()) {
        std::visit(
            [&](auto field) {
                if ((over.*field).has_value())
                    result.*field = over.*field;
            },
            option.field);
    }
    return result;
}
