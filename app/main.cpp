#include "app/startup.h"
#include "ui/chat/dlg_msg_group.h"

int main(int argc, char** argv) {
    lumeno::app::ExtraWindows conversations;
    conversations.create = [] { CDlgMsgGroup::Instance().Create(); };
    conversations.destroy = [] { CDlgMsgGroup::DestroyInstance(); };
    return lumeno::app::RunClient(argc, argv, conversations);
}
