// What the watching program accepts from a worker: the order of calls, a
// hand-over and a message each once and bounded, an end of status 0 to 2,
// and nothing after it. Each case is a worker's whole output; the reader
// takes it in pieces as a pipe may deliver it.
#include "standin/program/worker_report_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "standin/documents/document_file.h"

namespace {

using standin::WorkerReport;
using standin::WorkerReportReader;

// Feeds `sent` in pieces of `piece` bytes; "ok" when every piece was
// expected, else "unexpected", followed by the state the reader is in:
// " in CALL", " after LAST", " end S".
std::string Read(const std::string& sent, WorkerReport* report, size_t piece = 3) {
  WorkerReportReader reader(report);
  std::string received, verdict = "ok";
  for (size_t at = 0; at < sent.size(); at += piece) {
    received += sent.substr(at, piece);
    if (!reader.Take(&received)) {
      verdict = "unexpected";
      break;
    }
  }
  if (!reader.current().empty()) verdict += " in " + reader.current();
  if (!reader.last().empty()) verdict += " after " + reader.last();
  if (reader.finished()) verdict += " end " + std::to_string(reader.status());
  return verdict;
}

std::string Read(const std::string& sent) {
  WorkerReport report;
  return Read(sent, &report);
}

const std::string kRun = "call load\nback\ncall QuilloExtensionInvoke\nback\ncall unload\nback\n";

TEST(WorkerReportReaderTest, AWorkersOwnReportIsTakenWhole) {
  WorkerReport report;
  EXPECT_EQ(Read(kRun + "document 5\nhello" + "end 0\n", &report, 1), "ok after unload end 0");
  EXPECT_EQ(report.document, "hello");
  EXPECT_FALSE(report.said);
  report = WorkerReport();
  EXPECT_EQ(Read(kRun + "said 6\nbad!\n\n" + "end 2\n", &report, 7), "ok after unload end 2");
  EXPECT_EQ(report.said, "bad!\n\n");
  // An empty message, and a message before the document.
  report = WorkerReport();
  EXPECT_EQ(Read(kRun + "said 0\ndocument 0\nend 1\n", &report), "ok after unload end 1");
  EXPECT_EQ(report.said, "");
  EXPECT_EQ(report.document, "");
  // A line not yet ended waits for the rest; within a call it is under way.
  EXPECT_EQ(Read("call QuilloExtensionEnumerate_UTF16\nba"),
            "ok in QuilloExtensionEnumerate_UTF16");
}

TEST(WorkerReportReaderTest, CallsComeOneAtATimeAndOnlyThoseAWorkerMakes) {
  EXPECT_EQ(Read("call load\ncall load\n"), "unexpected in load");
  EXPECT_EQ(Read("back\n"), "unexpected");
  EXPECT_EQ(Read("call load\nback\nback\n"), "unexpected after load");
  EXPECT_EQ(Read("call Frobnicate\n"), "unexpected");
  EXPECT_EQ(Read("call \n"), "unexpected");
  EXPECT_EQ(Read("hello\n"), "unexpected");
  EXPECT_EQ(Read(""), "ok");
  for (std::string_view entry : WorkerReportReader::kCalls) {
    EXPECT_EQ(Read("call " + std::string(entry) + "\nback\n"), "ok after " + std::string(entry));
  }
}

TEST(WorkerReportReaderTest, LinesAreBoundedAlsoBeforeTheyEnd) {
  const std::string longest(WorkerReportReader::kLongestLine, 'x');
  // A line of the longest length is read (and is no word); one byte more is
  // refused at once, before its end arrives.
  WorkerReport whole;
  EXPECT_EQ(Read(longest + "\n", &whole, 100), "unexpected");
  WorkerReport report;
  WorkerReportReader reader(&report);
  std::string received = longest;
  EXPECT_TRUE(reader.Take(&received));
  EXPECT_EQ(received, longest);
  received += "x";
  EXPECT_FALSE(reader.Take(&received));
}

TEST(WorkerReportReaderTest, AHandOverComesOnceAfterUnloadingAndWithinItsLimit) {
  const std::string limit = std::to_string(standin::DocumentFile::kMaxBytes);
  const std::string over = std::to_string(standin::DocumentFile::kMaxBytes + 1);
  EXPECT_EQ(Read("call QuilloExtensionTerminate\nback\ndocument 1\nx"),
            "unexpected after QuilloExtensionTerminate");
  EXPECT_EQ(Read("call unload\ndocument 1\n"), "unexpected in unload");
  EXPECT_EQ(Read("document 1\n"), "unexpected");
  EXPECT_EQ(Read(kRun + "document " + over + "\n"), "unexpected after unload");
  EXPECT_EQ(Read(kRun + "document " + limit + "\n"), "ok after unload");
  EXPECT_EQ(Read(kRun + "document 1\nxdocument 1\n"), "unexpected after unload");
  EXPECT_EQ(Read(kRun + "document 1\nxcall load\n"), "unexpected after unload");
  EXPECT_EQ(Read(kRun + "document 12345678901\n"), "unexpected after unload");
  EXPECT_EQ(Read(kRun + "document -1\n"), "unexpected after unload");
}

TEST(WorkerReportReaderTest, AMessageComesOnceBetweenCallsAndWithinItsLimit) {
  const std::string most = std::to_string(WorkerReportReader::kLongestSaid);
  const std::string over = std::to_string(WorkerReportReader::kLongestSaid + 1);
  EXPECT_EQ(Read("said " + most + "\n"), "ok");
  EXPECT_EQ(Read("said " + over + "\n"), "unexpected");
  EXPECT_EQ(Read("said 12345\n"), "unexpected");
  EXPECT_EQ(Read("said x\n"), "unexpected");
  EXPECT_EQ(Read("call load\nsaid 1\nx"), "unexpected in load");
  EXPECT_EQ(Read("said 1\nxsaid 1\nx"), "unexpected");
}

TEST(WorkerReportReaderTest, TheEndIsLastAndItsStatusZeroToTwo) {
  for (const char* status : {"0", "1", "2"}) {
    EXPECT_EQ(Read(std::string("end ") + status + "\n"), std::string("ok end ") + status);
  }
  EXPECT_EQ(Read("end 3\n"), "unexpected");
  EXPECT_EQ(Read("end 10\n"), "unexpected");
  EXPECT_EQ(Read("end \n"), "unexpected");
  EXPECT_EQ(Read("call load\nend 0\n"), "unexpected in load");
  EXPECT_EQ(Read("end 0\ncall load\n"), "unexpected end 0");
  EXPECT_EQ(Read("end 0\nx"), "unexpected end 0");
}

}  // namespace
