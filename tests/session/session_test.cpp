#include "session/session.h"

#include "base/error.h"
#include "formats/record_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vantrel {
namespace {

Record rec(std::string number, std::string name = "") {
    return {std::move(number), {std::move(name), "pw", "res", "  .  .  ", "  .  .  ", " "}};
}

// Logs every observer call as "call row" ("reset" without a row).
class LoggingObserver : public SessionObserver {
public:
    std::vector<std::string> log;
    void recordsAboutToBeReset() override { log.push_back("before reset"); }
    void recordsReset() override { log.push_back("reset"); }
    void recordAboutToBeInserted(std::size_t row) override { add("before insert", row); }
    void recordInserted(std::size_t row) override { add("insert", row); }
    void recordAboutToBeRemoved(std::size_t row) override { add("before remove", row); }
    void recordRemoved(std::size_t row) override { add("remove", row); }
    void recordChanged(std::size_t row) override { add("change", row); }

private:
    void add(const char* what, std::size_t row) {
        log.push_back(std::string(what) + " " + std::to_string(row));
    }
};

std::vector<std::string> numbers(const Session& session) {
    std::vector<std::string> result;
    for (const Record& record : session.records()) {
        result.push_back(record.number);
    }
    return result;
}

TEST(SessionTest, IdsFollowTheirRecordsThroughSortsAndRemovalsAndAreNeverReused) {
    Session session;
    session.replaceAll({rec("3", "c"), rec("1", "a"), rec("2", "b")});
    const RecordId three = session.idAt(0);
    const RecordId one = session.idAt(1);
    EXPECT_FALSE(session.modified()) << "a load is no change";

    session.sortBy(1);
    EXPECT_EQ(numbers(session), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(session.rowOf(three), 2u);
    EXPECT_EQ(session.find(one)->number, "1");
    EXPECT_FALSE(session.modified()) << "sorting changes no data";

    EXPECT_TRUE(session.remove(one));
    EXPECT_TRUE(session.modified());
    EXPECT_EQ(session.find(one), nullptr);
    EXPECT_FALSE(session.remove(one)) << "a gone id removes nothing";
    EXPECT_FALSE(session.replaceFields(one, {"x"}));

    const RecordId added = session.add(rec(session.nextNumber()));
    EXPECT_NE(added, one);
    EXPECT_NE(added, three);
    EXPECT_EQ(session.find(added)->number, "4");

    session.replaceAll({rec("1")});
    EXPECT_EQ(session.find(three), nullptr) << "a load gives new ids";
    EXPECT_NE(session.idAt(0), added);
}

TEST(SessionTest, ObserversHearEveryChangeWithTheRowItConcerns) {
    Session session;
    LoggingObserver observer;
    session.addObserver(&observer);
    session.replaceAll({rec("1"), rec("2")});
    const RecordId second = session.idAt(1);
    session.add(rec("3"));
    session.replaceFields(second, {"n"});
    session.renumber(second, "7");
    session.remove(second);
    session.sortBy(0);
    session.removeObserver(&observer);
    session.add(rec("9"));
    EXPECT_EQ(observer.log,
              (std::vector<std::string>{"before reset", "reset", "before insert 2", "insert 2",
                                        "change 1", "change 1", "before remove 1", "remove 1",
                                        "before reset", "reset"}));
}

TEST(SessionTest, RenumberRefusesTextsTheFileCannotHoldAndFlagsOnlyANewNumber) {
    Session session;
    session.replaceAll({rec("1")});
    const RecordId id = session.idAt(0);
    for (const std::string& bad :
         std::vector<std::string>{"\t1", "1\r2", "1\n", std::string("1\0", 2), "1\x1b[2J"}) {
        EXPECT_THROW(session.renumber(id, bad), Error);
    }
    session.renumber(id, "1");
    EXPECT_EQ(session.records()[0].number, "1");
    EXPECT_FALSE(session.modified()) << "neither a refused nor the same number is a change";
    session.renumber(id, " 12\ta");
    EXPECT_EQ(session.records()[0].number, " 12\ta");
    EXPECT_TRUE(session.modified());
    session.renumber(id, "1\t2"); // a TAB inside reads back as part of the number
    EXPECT_EQ(ParseRecordText(FormatRecordText(session.records()))[0].number, "1\t2");
}

// Empty, and every byte of its buffer zero.
bool wipedEmpty(const std::string& text) {
    return text.empty() &&
           std::all_of(text.data(), text.data() + text.capacity(), [](char c) { return c == 0; });
}

// Looks at the records as a view can when they are about to go.
class WipeWitness : public SessionObserver {
public:
    explicit WipeWitness(const Session& session) : session_(session) {}
    void recordsAboutToBeReset() override {
        for (const Record& record : session_.records()) {
            ++seen;
            wiped = wiped && wipedEmpty(record.number) &&
                    std::all_of(record.fields.begin(), record.fields.end(), wipedEmpty);
        }
    }
    int seen = 0;
    bool wiped = true;

private:
    const Session& session_;
};

TEST(SessionTest, LogOutWipesTheRecordsAndForgetsTheUser) {
    Session session;
    const std::string designTimePassword = session.cipher().Password();
    session.cipher().SetPassword("abcdefghijkl");
    session.logIn("a user name past the short-string buffer");
    session.replaceAll({Record{"1",
                               {"name", "a password past the short-string buffer", "res", "", "",
                                "a note past the short-string buffer"}},
                        rec("2")});
    const RecordId lastId = session.idAt(1);
    session.setCurrentFile("/home/user/records.vtr");
    session.setModified(true);
    WipeWitness witness(session);
    LoggingObserver observer;
    session.addObserver(&witness);
    session.addObserver(&observer);

    session.logOut();
    EXPECT_EQ(witness.seen, 2);
    EXPECT_TRUE(witness.wiped) << "every text is wiped before the records go";
    EXPECT_EQ(observer.log, (std::vector<std::string>{"before reset", "reset"}));
    EXPECT_EQ(session.size(), 0u);
    EXPECT_TRUE(wipedEmpty(session.userName()));
    EXPECT_TRUE(session.currentFile().empty());
    EXPECT_FALSE(session.modified());
    EXPECT_FALSE(session.loggedIn());
    EXPECT_EQ(session.cipher().Tag, 0);
    const std::string& password = session.cipher().Password();
    EXPECT_EQ(password, designTimePassword);
    EXPECT_TRUE(std::all_of(password.data() + password.size(),
                            password.data() + password.capacity(), [](char c) { return c == 0; }))
        << "nothing of the user's password is left behind the design-time one";
    EXPECT_GT(session.add(rec("1")), lastId) << "ids are not reused after a log-out";
    session.removeObserver(&witness);
    session.removeObserver(&observer);
}

} // namespace
} // namespace vantrel
