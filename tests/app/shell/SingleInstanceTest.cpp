// The one-window rule: two CSingleInstance objects in this process stand for two windows (the
// kernel's locks are per open file, so they exclude each other as two processes do).

#include "DocumentIdentity.h"
#include "SingleInstance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <future>

namespace {

class SingleInstanceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(m_locks));
        m_document = m_dir.filePath(QStringLiteral("計算Log.txt"));
        QFile file(m_document);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    // Claims `path` for `second` on another thread while this one serves `first`'s socket.
    static CSingleInstance::EClaim ClaimWhileServing(CSingleInstance& second, const QString& path,
                                                     int patienceMs = 2000)
    {
        auto claim = std::async(std::launch::async, [&second, path, patienceMs] {
            return second.Claim(path, patienceMs);
        });
        while (claim.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return claim.get();
    }

    CSingleInstance MakeInstance(QByteArray* token = nullptr)
    {
        return CSingleInstance(m_locks, [this, token](const QByteArray& given) {
            ++m_activations;
            if (token)
                *token = given;
        });
    }

    QTemporaryDir m_dir;
    QString m_locks = m_dir.filePath(QStringLiteral("state"));
    QString m_document;
    int m_activations = 0;
};

TEST_F(SingleInstanceTest, TheHolderIsAskedForwardWithTheStartsActivationToken)
{
    const QString link = m_dir.filePath(QStringLiteral("link.txt"));
    ASSERT_TRUE(QFile::link(m_document, link));
    QByteArray token;
    CSingleInstance first = MakeInstance(&token);
    CSingleInstance second = MakeInstance();
    ASSERT_EQ(first.Claim(link), CSingleInstance::EClaim::Owner);
    first.Serve(link);
    ASSERT_TRUE(first.IsReachable());

    // The target through its other name, and the same path spelt with "..": one document.
    qputenv("XDG_ACTIVATION_TOKEN", "launcher-token_1");
    for (const QString& path :
         {m_document, m_dir.filePath(QStringLiteral("state/../計算Log.txt"))}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(ClaimWhileServing(second, path), CSingleInstance::EClaim::HandedOver);
    }
    qunsetenv("XDG_ACTIVATION_TOKEN");
    QCoreApplication::processEvents(); // the activation follows the answer
    EXPECT_EQ(m_activations, 2);
    EXPECT_EQ(token, "launcher-token_1");

    // Given up by the first window (New: an untitled sheet), the document is free.
    first.Serve({});
    EXPECT_EQ(second.Claim(m_document), CSingleInstance::EClaim::Owner);
    EXPECT_EQ(first.Claim(link, 200), CSingleInstance::EClaim::OpenElsewhere);
}

// A holder that does not answer (stopped, or busy in this very thread) keeps its document: the
// second claim ends without it and leaves the holder's socket alone.
TEST_F(SingleInstanceTest, AHolderThatDoesNotAnswerKeepsItsDocument)
{
    CSingleInstance first = MakeInstance();
    CSingleInstance second = MakeInstance();
    ASSERT_EQ(first.Claim(m_document), CSingleInstance::EClaim::Owner);
    first.Serve(m_document);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(second.Claim(m_document, 300), CSingleInstance::EClaim::OpenElsewhere);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(3));
    second.Serve(m_document); // what a window that went ahead regardless would do
    EXPECT_FALSE(second.IsReachable());
    CSingleInstance third = MakeInstance();
    EXPECT_EQ(ClaimWhileServing(third, m_document), CSingleInstance::EClaim::HandedOver);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_activations, 1); // the requests of the asker that gave up are not carried out
}

// Where the runtime folder cannot take the socket, the lock still decides and the hand-over
// goes through the state folder.
TEST_F(SingleInstanceTest, TheLockDecidesWhateverTheRuntimeFolder)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const QString open = m_dir.filePath(QStringLiteral("open"));
    ASSERT_TRUE(QDir().mkpath(open));
    QFile::setPermissions(open, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    const QString deep = m_dir.filePath(QString(60, u'd') + u'/' + QString(60, u'e'));
    ASSERT_TRUE(QDir().mkpath(deep));
    for (const QString& runtime : {QString(), open, deep, QStringLiteral("relative")}) {
        SCOPED_TRACE(runtime.toStdString());
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        CSingleInstance first = MakeInstance();
        CSingleInstance second = MakeInstance();
        ASSERT_EQ(first.Claim(m_document), CSingleInstance::EClaim::Owner);
        first.Serve(m_document);
        EXPECT_TRUE(first.IsReachable());
        EXPECT_EQ(ClaimWhileServing(second, m_document), CSingleInstance::EClaim::HandedOver);
    }
    qputenv("XDG_RUNTIME_DIR", saved);
}

// A claim for a document that was not opened after all is given up; a claim is needed for
// nothing untitled.
TEST_F(SingleInstanceTest, AClaimNotTakenOnIsGivenUp)
{
    CSingleInstance first = MakeInstance();
    CSingleInstance second = MakeInstance();
    EXPECT_EQ(first.Claim({}), CSingleInstance::EClaim::Owner);
    ASSERT_EQ(first.Claim(m_document), CSingleInstance::EClaim::Owner);
    EXPECT_EQ(second.Claim(m_document, 100), CSingleInstance::EClaim::OpenElsewhere);
    first.DropClaim();
    EXPECT_EQ(second.Claim(m_document), CSingleInstance::EClaim::Owner);
}

TEST(DocumentIdentity, NamesFitWhateverTheDocumentsName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // 75 three-byte characters and ".txt": 229 bytes, and one of 251 bytes.
    for (const QString& name : {QString(75, u'計') + QStringLiteral(".txt"),
                                QString(83, u'計') + QStringLiteral(".tx")}) {
        const QString path = dir.filePath(name);
        const QString state = DocumentStateName(path);
        EXPECT_LE(state.toUtf8().size(), 81);
        EXPECT_TRUE(state.startsWith(QString(21, u'計') + u'.'));
        EXPECT_EQ(state, DocumentStateName(dir.filePath(QStringLiteral("x/../") + name)));
    }
    EXPECT_EQ(CutToUtf8Bytes(QStringLiteral("a😀b"), 4), QStringLiteral("a"));
    EXPECT_EQ(CutToUtf8Bytes(QStringLiteral("a😀b"), 5), QStringLiteral("a😀"));
}

} // namespace
