#include "ui/groups/group_texts.h"

namespace group_texts {

QString StartChat() {
    return QStringLiteral("发起聊天");
}
QString AddParticipants() {
    return QStringLiteral("添加参与人");
}
QString SearchPlaceholder() {
    return QStringLiteral("搜索姓名/公司");
}
QString ContactsLabel() {
    return QStringLiteral("联系人：");
}
QString NoCandidates() {
    return QStringLiteral("没有可以添加的联系人");
}
QString NoMatch(const QString& typed) {
    return QStringLiteral("没有找到“%1”相关的联系人").arg(typed);
}
QString Untick(const QString& name) {
    return QStringLiteral("移除 %1").arg(name);
}
QString StripBack() {
    return QStringLiteral("向左");
}
QString StripOn() {
    return QStringLiteral("向右");
}

QString StartFailed() {
    return QStringLiteral("发起聊天失败");
}
QString AddFailed() {
    return QStringLiteral("添加成员失败");
}
QString ConversationGone() {
    return QStringLiteral("该会话已不存在，添加成员失败");
}
QString AddOneFailed(const QString& name, int addedBefore) {
    const QString failed = QStringLiteral("添加 %1 失败").arg(name);
    if (addedBefore <= 0) return failed;
    return QStringLiteral("已添加 %1 人，%2").arg(addedBefore).arg(failed);
}
QString FailureNote(const QString& what, const ErrorRecord& error) {
    if (error.error_code > 0 && !error.error_msg.empty())
        return what + QStringLiteral("：") + QString::fromStdString(error.error_msg);
    return what + QStringLiteral("，请检查网络后重试");
}

QString ChatInformation() {
    return QStringLiteral("聊天信息");
}
QString LeaveGroup() {
    return QStringLiteral("退出群聊");
}
QString MoreMenu() {
    return QStringLiteral("更多");
}
QString AnnounceNew() {
    return QStringLiteral("提示新消息");
}
QString OnlyCount() {
    return QStringLiteral("不提示消息只显示数目");
}
QString NotifyLabel() {
    return QStringLiteral("新消息提醒");
}
QString NameLabel() {
    return QStringLiteral("群聊名称：");
}
QString AddMemberCell() {
    return QStringLiteral("添加成员");
}
QString RemoveMemberCell() {
    return QStringLiteral("删除成员");
}
QString RemoveMember(const QString& name) {
    return QStringLiteral("删除 %1").arg(name);
}
QString NotAdministrator() {
    return QStringLiteral("您不是管理员，不允许添加成员");
}
QString GotIt() {
    return QStringLiteral("我知道了");
}
QString LeaveLine1() {
    return QStringLiteral("退出群聊后不能再接收该群消息，同时");
}
QString LeaveLine2() {
    return QStringLiteral("会清除该群的对话记录，确定要退出？");
}
QString ConfirmRemove(const QString& name) {
    return QStringLiteral("确定要将 %1 从该群删除吗？").arg(name);
}
QString NameTooLong() {
    return QStringLiteral("群名称太长，请重新输入");
}
QString RenameFailed() {
    return QStringLiteral("修改群组名称失败");
}
QString RemoveFailed(const QString& name) {
    return QStringLiteral("删除 %1 失败").arg(name);
}
QString LeaveFailed() {
    return QStringLiteral("退出群聊失败");
}

}  // namespace group_texts
