#pragma once
// What a profile window shows of a person: the card, tags, timelines, background, contact
// details; and the job-seeker card.

#include <cstdint>
#include <string>
#include <vector>

#include "storage/records.h"

struct TagItem {
    std::int32_t me = 0;
    std::int32_t n = 0;
    std::string text;
};

struct KeyValueItem {
    std::int32_t type = 0;
    std::string k;
    std::string v;
};

struct BackgroundEntry {
    std::int32_t type = 0;
    std::string k;
    std::string v;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::string description;
    std::string company;
    std::string position;
    std::int32_t degree = 0;
    std::string school;
    std::string department;
};

struct ContactEntry {
    std::int32_t type = 0;
    std::string k;
    std::string v;
    std::string mobile;
    std::string email;
};

// Contact entries of type -1 labelled as a mobile number or an e-mail address.
constexpr std::int32_t kContactMobile = 500001;
constexpr std::int32_t kContactEmail = 500002;

struct ProfileRecord {
    UserRecord* user = nullptr;  // the person in the user store
    std::int32_t reserved = 0;
    std::string button_text;
    std::vector<TagItem> tags;
    std::vector<KeyValueItem> timeline;
    std::vector<BackgroundEntry> background;
    std::vector<ContactEntry> contacts;
};

struct TalentRecord {
    std::int32_t major = 0;
    std::int32_t dist = 0;
    std::int32_t profession = 0;
    std::int32_t has_viewed = 0;
    std::int32_t id = 0;
    std::string qxid;
    std::string salary;
    std::string feed;
    std::string line3;
    std::string line2;
    std::string line1;
    std::string beats;
    std::string avatar;
    std::string tid;
    std::string rankstr;
    std::vector<KeyValueItem> attitude;  // "求职心态"
    std::vector<KeyValueItem> career;    // "职场信息"
    std::vector<KeyValueItem> personal;  // "个人信息"
};
