#pragma once
// The words of the group windows, in one place.

#include <QString>

#include "api/service_errors.h"

namespace group_texts {

QString StartChat();
QString AddParticipants();
QString SearchPlaceholder();
QString ContactsLabel();
QString NoCandidates();
QString NoMatch(const QString& typed);
QString Untick(const QString& name);
QString StripBack();
QString StripOn();

// The picker's failures.
QString StartFailed();
QString AddFailed();
QString ConversationGone();
// Adding `name` failed after `addedBefore` people had joined.
QString AddOneFailed(const QString& name, int addedBefore);
// What the window keeps showing after a failure: `what`, and the service's reason when it gave
// one, or a word on the connection when it gave none.
QString FailureNote(const QString& what, const ErrorRecord& error);

// The information window.
QString ChatInformation();
QString LeaveGroup();
QString MoreMenu();
QString AnnounceNew();
QString OnlyCount();
QString NotifyLabel();
QString NameLabel();
QString AddMemberCell();
QString RemoveMemberCell();
QString RemoveMember(const QString& name);
QString NotAdministrator();
QString GotIt();
QString LeaveLine1();
QString LeaveLine2();
QString ConfirmRemove(const QString& name);
QString NameTooLong();
QString RenameFailed();
QString RemoveFailed(const QString& name);
QString LeaveFailed();

}  // namespace group_texts
