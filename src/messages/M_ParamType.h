#pragma once

#include "messages/U_EntityDisplayName.h"
#include "util/U_RefPtr.h"

#include <cstdint>
#include <string>
#include <vector>

class M_Diagnostic;
class M_ParamTypeNav;
class M_ParamStringType;
class M_ParamEntityType;
class M_ParamListType;
class M_ParamMsgListType;

/// One parameter of a diagnostic: a text, an entity, a list of texts or a
/// list of sub-messages. Never changed once made; shared through U_RefPtr.
class M_ParamType : public U_Ref {
public:
    ~M_ParamType() override = 0;
    // The parameter's text in diagnostic texts; "" for the base.
    virtual std::string toString() const;
    // Calls the visitor's visit for this parameter's own class.
    virtual void accept(M_ParamTypeNav& visitor) = 0;
};

/// Visitor over parameters. Each visit of a kind passes the parameter on to
/// visitParamType, which does nothing, so a derived visitor overrides only
/// the kinds it cares about.
class M_ParamTypeNav {
public:
    virtual void visitMsgList(M_ParamMsgListType& param);
    virtual void visitList(M_ParamListType& param);
    virtual void visitEntity(M_ParamEntityType& param);
    virtual void visitString(M_ParamStringType& param);
    virtual void visitParamType(M_ParamType& param);

protected:
    ~M_ParamTypeNav() = default;
};

/// A text parameter; its text is the text itself.
class M_ParamStringType final : public M_ParamType {
public:
    explicit M_ParamStringType(std::string text) : text_(std::move(text)) {}
    const std::string& text() const noexcept { return text_; }
    std::string toString() const override { return text_; }
    void accept(M_ParamTypeNav& visitor) override { visitor.visitString(*this); }

private:
    std::string text_;
};

/// A program entity with a kind byte; the kind chooses between the plain
/// and the for-kind pair of the entity's names. entity must not be null.
class M_ParamEntityType final : public M_ParamType {
public:
    M_ParamEntityType(U_RefPtr<U_EntityDisplayName> entity, std::uint8_t kind)
        : entity_(std::move(entity)), kind_(kind) {}
    const U_RefPtr<U_EntityDisplayName>& entity() const noexcept { return entity_; }
    std::uint8_t kind() const noexcept { return kind_; }
    // "Entity={" name "," alias name "}", the for-kind pair when kind is not 0.
    std::string toString() const override;
    void accept(M_ParamTypeNav& visitor) override { visitor.visitEntity(*this); }

private:
    U_RefPtr<U_EntityDisplayName> entity_;
    std::uint8_t kind_;
};

/// A list of texts.
class M_ParamListType final : public M_ParamType {
public:
    explicit M_ParamListType(std::vector<std::string> items) : items_(std::move(items)) {}
    const std::vector<std::string>& items() const noexcept { return items_; }
    // "List={" the items joined by "," "}".
    std::string toString() const override;
    void accept(M_ParamTypeNav& visitor) override { visitor.visitList(*this); }

private:
    std::vector<std::string> items_;
};

/// A list of sub-messages, shared with whoever else holds them.
class M_ParamMsgListType final : public M_ParamType {
public:
    explicit M_ParamMsgListType(std::vector<U_RefPtr<M_Diagnostic>> messages);
    // Lets go of the sub-messages without recursion, however deep they nest.
    ~M_ParamMsgListType() override;
    const std::vector<U_RefPtr<M_Diagnostic>>& messages() const noexcept { return messages_; }
    // "MsgList={" the sub-messages' texts joined by " ; " "}".
    std::string toString() const override;
    void accept(M_ParamTypeNav& visitor) override { visitor.visitMsgList(*this); }

private:
    std::vector<U_RefPtr<M_Diagnostic>> messages_;
};
