#pragma once
// A conversation holding every kind of message, one-to-one or in a group, for the tests and
// benchmarks of the conversation page. Avatars, the company logo and the shared picture are
// served by a loopback server, as the service's picture host would serve them.

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "conversation/emoticon_table.h"
#include "conversation/message_items.h"
#include "tests/support/raw_http_server.h"

namespace lumeno::test {

inline std::string PngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// A square picture with a letter, as PNG bytes.
inline std::string LetterPicture(QColor colour, const QString& letter, int side = 80) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::white);
    QFont font;
    font.setPixelSize(side * 2 / 5);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, letter);
    painter.end();
    return PngBytes(image);
}

// A landscape photo-like picture: sky, hills and a sun.
inline std::string LandscapePicture() {
    QImage image(480, 320, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 320);
    sky.setColorAt(0, QColor(120, 180, 235));
    sky.setColorAt(1, QColor(220, 236, 250));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(255, 210, 90));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(360, 90), 38, 38);
    QPainterPath hills;
    hills.moveTo(0, 250);
    hills.cubicTo(120, 170, 220, 300, 330, 220);
    hills.cubicTo(400, 180, 450, 230, 480, 210);
    hills.lineTo(480, 320);
    hills.lineTo(0, 320);
    painter.fillPath(hills, QColor(76, 150, 110));
    painter.end();
    return PngBytes(image);
}

// The pictures of the sample: /a/<qxid>.png, /logo.png, /photo.png; anything else is missing.
class SamplePictureServer {
  public:
    SamplePictureServer() {
        pictures_["/a/me1.png"] = LetterPicture(QColor(22, 131, 216), QStringLiteral("林"));
        pictures_["/a/u1.png"] = LetterPicture(QColor(25, 179, 148), QStringLiteral("王"));
        pictures_["/a/u2.png"] = LetterPicture(QColor(232, 97, 90), QStringLiteral("陈"));
        pictures_["/a/u3.png"] = LetterPicture(QColor(142, 108, 223), QStringLiteral("赵"));
        pictures_["/logo.png"] = LetterPicture(QColor(242, 165, 22), QStringLiteral("星"));
        pictures_["/photo.png"] = LandscapePicture();
        server_ = std::make_unique<RawHttpServer>([this](const std::string& request) {
            const std::size_t start = request.find(' ') + 1;
            const std::string path = request.substr(start, request.find(' ', start) - start);
            const auto found = pictures_.find(path);
            if (found == pictures_.end()) return ScriptedAnswer{HttpAnswer(404, "", "text/plain")};
            return ScriptedAnswer{HttpAnswer(200, found->second, "image/png")};
        });
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server_->Port()) + path;
    }

  private:
    std::map<std::string, std::string> pictures_;
    std::unique_ptr<RawHttpServer> server_;
};

// 2026-03-04 09:00 local time, and minutes after it.
inline std::int32_t SampleTime(int minutes) {
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 4;
    when.tm_hour = 9;
    when.tm_min = minutes;
    when.tm_isdst = -1;
    return static_cast<std::int32_t>(std::mktime(&when));
}

class SampleConversation {
  public:
    SampleConversation(const SamplePictureServer& pictures, bool group,
                       const EmoticonTable* emoticons = nullptr)
        : pictures_(pictures) {
        account_.qxid = "me1";
        account_.realname = "林晓";
        account_.avatar = pictures.Url("/a/me1.png");
        account_.anon_avatar = "3";
        AddUser("me1", "林晓", "产品经理", 0);
        AddUser("u1", "王磊", "产品总监 · 星河科技", 1);
        AddUser("u2", "陈静", "招聘主管 · 星河科技", 0);
        AddUser("u3", "赵敏", "交互设计师", 0);
        conversation_.id = group ? 301 : 201;
        conversation_.type = group ? 3 : 2;
        conversation_.member_ids = group ? std::vector<std::string>{"me1", "u1", "u2", "u3"}
                                         : std::vector<std::string>{"me1", "u1"};
        sources_.conversation = &conversation_;
        sources_.account = &account_;
        sources_.findUser = [this](const std::string& qxid) -> const UserRecord* {
            const auto found = users_.find(qxid);
            return found == users_.end() ? nullptr : &found->second;
        };
        sources_.emoticons = emoticons;
        Build(group);
    }

    const ItemSources& Sources() const { return sources_; }
    const std::vector<MessageRecord>& Messages() const { return messages_; }
    const MessageRecord* Find(std::int32_t id) const {
        for (const MessageRecord& message : messages_) {
            if (message.id == id) return &message;
        }
        return nullptr;
    }
    // The envelope of a history batch of the messages [from, to) of the list, as the chat
    // window builds it.
    std::string History(std::size_t from, std::size_t to, HistoryPosition position, bool hasMore,
                        TimeLabelMarks& marks) const {
        std::vector<std::int32_t> newestFirst;
        for (std::size_t i = to; i > from; --i)
            newestFirst.push_back(messages_[i - 1].id);
        HistorySource history;
        history.findMessage = [this](std::int32_t id) { return Find(id); };
        history.olderMessage = [this](const MessageRecord& message) -> const MessageRecord* {
            for (std::size_t i = 1; i < messages_.size(); ++i) {
                if (messages_[i].id == message.id) return &messages_[i - 1];
            }
            return nullptr;
        };
        const HistoryBatch batch = BuildHistory(newestFirst, sources_, history, marks);
        return HistoryEnvelope(hasMore, position, batch.data);
    }
    // A message of someone else, as it arrives.
    static MessageRecord Arrived(std::int32_t id, const std::string& text, int minute) {
        return Message(id, 0, "u1", text, minute);
    }
    std::string PhotoUrl() const { return pictures_.Url("/photo.png"); }

  private:
    void AddUser(const std::string& qxid, const std::string& name, const std::string& career,
                 int judge) {
        UserRecord& user = users_[qxid];
        user.qxid = qxid;
        user.name = name;
        user.career = career;
        user.avatar = pictures_.Url("/a/" + qxid + ".png");
        user.judge = judge;
    }

    static MessageRecord Message(std::int32_t id, std::int32_t type, const std::string& from,
                                 const std::string& text, int minute) {
        MessageRecord message;
        message.id = id;
        message.type = type;
        message.qxid = from;
        message.is_me = from == "me1";
        message.text = text;
        message.crtimestamp = SampleTime(minute);
        message.crtime = "2026-03-04";
        return message;
    }

    void Add(MessageRecord message) { messages_.push_back(std::move(message)); }

    void Build(bool group) {
        std::int32_t id = group ? 3000 : 2000;
        int minute = 0;
        const auto next = [&](int gap) {
            minute += gap;
            return ++id;
        };
        if (group) {
            Add(Message(next(0), 99, "", "王磊 邀请 陈静、赵敏 加入了群聊", minute));
            Add(Message(next(1), 0, "u1", "大家好，下周的产品评审定在周三下午三点 [smiles_01_02]",
                        minute));
            Add(Message(next(1), 0, "u2", "@林晓 评审材料麻烦今天发我一份，谢谢！", minute));
        } else {
            Add(Message(next(0), 0, "u1",
                        "林晓你好！上次聊到的产品岗位，我们这边还在招人 [smiles_01_01]", minute));
        }
        Add(Message(next(1), 0, "me1", "太好了，方便发一下职位详情吗？", minute));
        MessageRecord job = Message(next(6), 100, "u1", "", minute);
        job.job.position = "高级产品经理";
        job.job.province = "北京";
        job.job.company = "星河科技有限公司";
        job.job.salary_info = "25k-40k";
        job.job.user_info = "王磊 · 产品总监";
        job.job.clogo = pictures_.Url("/logo.png");
        job.job.share_url = "https://jobs.example.com/p/1024";
        job.job.dist = 1;
        Add(job);
        Add(Message(next(1), 0, "me1",
                    "收到，我的作品集在 https://portfolio.example.com/linxiao ，请多指教", minute));
        MessageRecord voice = Message(next(1), 1, "u1", "", minute);
        voice.file.duration = 12;
        voice.unread = 1;
        Add(voice);
        MessageRecord photo = Message(next(7), 2, "me1", "", minute);
        photo.file.url = pictures_.Url("/photo.png");
        Add(photo);
        MessageRecord card = Message(next(1), 101, "u1", "", minute);
        card.reveal_user.qxid = "u2";
        card.reveal_user.name = "陈静";
        card.reveal_user.avatar = pictures_.Url("/a/u2.png");
        card.reveal_user.line1 = "招聘主管";
        card.reveal_user.line2 = "星河科技有限公司";
        card.reveal_user.judge = 1;
        card.reveal_user.dist = 2;
        Add(card);
        MessageRecord resume = Message(next(1), 105, "me1", "", minute);
        resume.resume_user.realname = "林晓";
        resume.resume_user.line = "5 年产品经验 · 北京";
        resume.resume_user.avatar = pictures_.Url("/a/me1.png");
        resume.resume_user.share_url = "https://jobs.example.com/r/88";
        resume.resume_user.dist = 0;
        Add(resume);
        MessageRecord anonymous = Message(
            next(1), 0, group ? "u3" : "u1",
            "简历已经收到了。我们的面试一般分三轮：业务面、交叉面和 HR 面，整个流程大约一到两周，"
            "有任何问题随时联系我。",
            minute);
        anonymous.anonym = group ? 1 : 0;
        Add(anonymous);
        Add(Message(next(1), 0, "u1", "<b>不是粗体</b> & 'quotes' 会原样显示", minute));
    }

    const SamplePictureServer& pictures_;
    LoginRecord account_;
    ConversationRecord conversation_;
    std::map<std::string, UserRecord> users_;
    std::vector<MessageRecord> messages_;
    ItemSources sources_;
};

}  // namespace lumeno::test
