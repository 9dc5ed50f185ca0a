#pragma once

#include "util/U_RefPtr.h"

#include <string>

/// The display name of a program entity named by an instantiated-from part.
/// Writers pick a form by two switches: whether aliases are shown, and whether
/// the entity's kind is given.
class U_EntityDisplayName : public U_Ref {
public:
    ~U_EntityDisplayName() override = 0;

    // The plain name.
    virtual std::string name() const = 0;
    // The plain name for an entity with a kind.
    virtual std::string nameForKind() const = 0;
    // The name with aliases shown.
    virtual std::string aliasName() const = 0;
    // The name with aliases shown, for an entity with a kind.
    virtual std::string aliasNameForKind() const = 0;
    virtual std::string otherName() const = 0;
};

/// A display name that is one stored text, the same in every form; the names
/// read from message files are of this kind.
class ObjectDisplayName final : public U_EntityDisplayName {
public:
    // A new display name holding a copy of text; throws std::bad_alloc only.
    static U_RefPtr<U_EntityDisplayName> create(const std::string& text);

    // A copy of the stored text.
    std::string name() const override;
    // Each remaining form is name().
    std::string nameForKind() const override;
    std::string aliasName() const override;
    std::string aliasNameForKind() const override;
    std::string otherName() const override;

private:
    explicit ObjectDisplayName(const std::string& text) : name_(text) {}

    std::string name_;
};
