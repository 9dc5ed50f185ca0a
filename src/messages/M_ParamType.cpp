#include "messages/M_ParamType.h"

#include "messages/M_Diagnostic.h"
#include "messages/U_ChainRelease.h"

M_ParamType::~M_ParamType() = default;

std::string M_ParamType::toString() const
{
    return std::string();
}

void M_ParamTypeNav::visitMsgList(M_ParamMsgListType& param)
{
    visitParamType(param);
}

void M_ParamTypeNav::visitList(M_ParamListType& param)
{
    visitParamType(param);
}

void M_ParamTypeNav::visitEntity(M_ParamEntityType& param)
{
    visitParamType(param);
}

void M_ParamTypeNav::visitString(M_ParamStringType& param)
{
    visitParamType(param);
}

void M_ParamTypeNav::visitParamType(M_ParamType&) {}

std::string M_ParamEntityType::toString() const
{
    if (kind_ == 0)
        return "Entity={" + entity_->name() + "," + entity_->aliasName() + "}";
    return "Entity={" + entity_->nameForKind() + "," + entity_->aliasNameForKind() + "}";
}

std::string M_ParamListType::toString() const
{
    std::string text = "List={";
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (i > 0)
            text += ",";
        text += items_[i];
    }
    return text + "}";
}

M_ParamMsgListType::M_ParamMsgListType(std::vector<U_RefPtr<M_Diagnostic>> messages)
    : messages_(std::move(messages))
{
}

M_ParamMsgListType::~M_ParamMsgListType()
{
    U_ChainRelease release;
    // Reverse order: the queue is last in, first out.
    for (auto it = messages_.rbegin(); it != messages_.rend(); ++it)
        release.take(*it);
}

std::string M_ParamMsgListType::toString() const
{
    return M_Diagnostic::messageListText(*this);
}
