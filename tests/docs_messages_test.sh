#!/usr/bin/env bash
# Every message the README and docs/ quote must be quoted word for word by a test too, so that a
# documented message is one a test checks the program prints (and a changed message fails the
# test, which then disagrees with the page until the page is changed as well).
#
# A quoted message is
# - a line of an indented code block, or a span in backquotes, that starts like a message of the
#   programs ("Usage: ", "FAIL ",
#   "Cannot ", "Malformed circuit", "FILE:LINE: ", "IN.qasm: ", "OUT.svg: ", ...);
# - any span in backquotes in a paragraph about "the reasons of" a malformed circuit, or in the
#   list after a line about "the messages after" a prefix.
# What a "$ " command prints under it in a code block is left to the docs test, which runs it.
# Placeholders in a message (<path>, PATH, N, NAME, REASON, MNEMONIC, IN.qasm, "...") and a
# leading "FILE:LINE: " or "IN.qasm: " stand for any text on the line; a form with no more than a
# few letters of its own ("FAIL <file>:<line>: <what is wrong>") is no message and is skipped. A
# usage error "Usage: ... (what is wrong)" may be built by a test from the usage line and what is
# wrong, both word for word in one test file. The tests are read with adjacent C++ string
# literals joined and \" read as ".
# Usage: tests/docs_messages_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
exec perl -e '
  use strict;
  use warnings;
  my ($dir) = @ARGV;
  sub slurp { local $/; open(my $f, "<", $_[0]) or die "$_[0]: $!"; my $t = <$f>; close $f; $t }

  my @files = map {
    my $t = slurp($_);
    $t =~ s/"[ \t]*\n[ \t]*"//g;    # "abc "\n "def" is one literal
    $t =~ s/\\"/"/g;
    $t =~ s/\\\\/\\/g;
    $t
  } grep { !m{/docs_[a-z_]*\.sh$} } sort(glob("$dir/tests/*.cpp"), glob("$dir/tests/*.h"),
                                        glob("$dir/tests/*.sh"));
  my $tests = join("\n", @files);

  my $start = qr/^(Usage: |FAIL |OK: |Cannot |Output file would |Two outputs |Internal error|Malformed circuit|Grid too large|Invalid GRIDSWAP_THREADS|Nothing to map|Out of memory$|error!$|gridswap: |<input file> |\S+:(\d+|LINE|<line>): |\S+\.qasm: |OUT\.svg: )/;
  my $placeholder = qr/<[^>]*>|\.\.\.|\b(?:PATH|N|NAME|REASON|MNEMONIC)\b|\bIN\.qasm\b/;
  my ($messages, @missing) = (0);
  for my $page ("$dir/README.md", sort glob("$dir/docs/*.md")) {
    (my $name = $page) =~ s{^\Q$dir\E/}{};
    my (@quoted, @prose);
    my $shown = 0;    # in the lines a "$ " command prints, which the docs test compares
    for my $line (split /\n/, slurp($page)) {
      if ($line =~ /^    \$ /) { $shown = 1 }
      elsif ($line =~ /^    (.*)$/) { my $text = $1; push @quoted, $text if !$shown && $text =~ $start }
      elsif ($line ne "") { $shown = 0; push @prose, $line }
      else { push @prose, $line }
    }
    # Blocks of prose between blank lines; a span may run over a line break.
    my $listed = 0;
    for my $block (split /\n\s*\n/, join("\n", @prose)) {
      $block =~ s/\s*\n\s*/ /g;
      my $all = $listed || $block =~ /reasons of/;
      $listed = $block =~ /messages after/;
      while ($block =~ /`([^`]+)`/g) {
        my $span = $1;
        $span =~ s/\\\|/|/g;
        push @quoted, $span if $all || $span =~ $start;
      }
    }
    for my $message (@quoted) {
      next if index($tests, $message) >= 0 && ++$messages;
      # A usage error may be built from the usage line and what is wrong, both in one test file.
      if ($message =~ /^(Usage: .*?) \((.*)\)$/) {
        my ($usage, $what) = ($1, $2);
        $messages++;
        push @missing, "$name: $message"
          unless grep { index($_, $usage) >= 0 && index($_, $what) >= 0 } @files;
        next;
      }
      my $body = $message;
      my $prefix = "";
      if ($body !~ /^Usage: / && $body =~ s/^\S+?:(?:\d+|LINE|<line>): // || $body =~ s/^\S+\.(?:qasm|svg): //) {
        $prefix = "[^\\n]*";
      }
      my @parts = split /$placeholder/, $body, -1;
      my $letters = () = join("", @parts) =~ /[A-Za-z]/g;
      next if $letters <= 6;
      $messages++;
      my $pattern = $prefix . join("[^\\n]*", map { quotemeta } @parts);
      push @missing, "$name: $message" unless $tests =~ /$pattern/;
    }
  }
  print "$_\n" for @missing;
  printf "%d messages quoted, %d not found in the tests\n", $messages, scalar @missing;
  exit(@missing || !$messages ? 1 : 0);
' "$source_dir"
