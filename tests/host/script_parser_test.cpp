// The script language: what each line means and which lines are refused.
#include "host/script_parser.h"

#include <gtest/gtest.h>

namespace {

ScriptCommand parsed(const std::string& line) {
    ScriptCommand command;
    std::string error;
    EXPECT_EQ(parse_script_line(line, &command, &error), LineResult::Command) << line << error;
    return command;
}

TEST(ScriptParser, CommandsAndTheirArguments) {
    EXPECT_EQ(parsed("frames 3").count, 3);
    ScriptCommand wait = parsed("  wait 250\r");
    EXPECT_EQ(wait.kind, ScriptCommand::Wait);
    EXPECT_EQ(wait.count, 250);

    ScriptCommand click = parsed("click 230 120");
    EXPECT_EQ(click.kind, ScriptCommand::Click);
    EXPECT_FALSE(click.right);
    EXPECT_EQ(click.x, 230);
    EXPECT_EQ(click.y, 120);
    EXPECT_TRUE(parsed("click 230 120 right").right);
    EXPECT_EQ(parsed("click -5 500").x, -5);

    ScriptCommand hold = parsed("hold 20 100 1500");
    EXPECT_EQ(hold.kind, ScriptCommand::Hold);
    EXPECT_EQ(hold.count, 1500);
    EXPECT_EQ(parsed("hover 1 2").kind, ScriptCommand::Hover);

    // Paths and echo text keep their inner blanks.
    ScriptCommand dialog = parsed("dialog /tmp/My Music/Rain.mp3");
    EXPECT_EQ(dialog.kind, ScriptCommand::Dialog);
    EXPECT_EQ(dialog.text, "/tmp/My Music/Rain.mp3");
    EXPECT_EQ(parsed("dialog cancel").kind, ScriptCommand::DialogCancel);
    EXPECT_EQ(parsed("screenshot out dir/face.png").text, "out dir/face.png");
    EXPECT_EQ(parsed("echo hello,  world").text, "hello,  world");
    EXPECT_EQ(parsed("echo").text, "");

    EXPECT_TRUE(parsed("lights on").on);
    EXPECT_FALSE(parsed("lights off").on);
    EXPECT_EQ(parsed("elements").kind, ScriptCommand::Elements);
    EXPECT_EQ(parsed("reinstall").kind, ScriptCommand::Reinstall);
    EXPECT_EQ(parsed("quit").kind, ScriptCommand::Quit);
}

TEST(ScriptParser, BlankAndCommentLinesAreSkipped) {
    ScriptCommand command;
    std::string error;
    for (const char* line : {"", "   ", "\r", "# a note", "  # indented note"}) {
        EXPECT_EQ(parse_script_line(line, &command, &error), LineResult::Skip) << line;
    }
}

TEST(ScriptParser, MalformedLinesAreRefusedWithAReason) {
    for (const char* line :
         {"jump 3",       "Frames 3",   "frames",           "frames -1",
          "frames 3x",    "frames 1e3", "frames 3 4",       "frames 99999999999",
          "wait",         "click 10",   "click 10 20 left", "click 10 20 right x",
          "click a b",    "hold 10 20", "hold 10 20 -5",    "hover 10",
          "dialog",       "screenshot", "lights",           "lights dim",
          "elements now", "quit 0",     "reinstall please"}) {
        ScriptCommand command;
        std::string error;
        EXPECT_EQ(parse_script_line(line, &command, &error), LineResult::Error) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

}  // namespace
