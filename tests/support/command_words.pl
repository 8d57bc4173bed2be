#!/usr/bin/perl
# The words of shell scripts that the shell would run as commands, for tests/fresh_machine.sh.
# Prints "run WORD" for each name in command position (the first word of a simple command,
# after wrappers such as env, nice, timeout, xargs or sh -c, and the command that a helper
# function taking a command line is given), and "word WORD" for every other bare word.
# Names of the scripts' own functions are neither. A rough reading of shell, not a parser:
# it is meant for this project's scripts, which keep to plain forms.
use strict;
use warnings;

my (%functions, %runners, %run, %word);
my @segments;    # ["file function" or undef, text, file]

# Commands that take a command after their options (and, for some, one argument).
my %wrapper = map { $_ => 1 } qw(env nice nohup timeout xargs exec time sudo xvfb-run stdbuf);
my %keyword = map { $_ => 1 } qw(if then else elif fi do done while until ! { } in esac);
my %no_command = map { $_ => 1 } qw(for case select function);

# Quoting and comments, read character by character: quoted text becomes %q ("$@" becomes
# %args), and what runs in $(...) inside double quotes is returned as command lines of its own.
sub unquote {
    my ($text) = @_;
    my ($out, @inner) = ('');
    while (length $text) {
        if ($text =~ s/^\\(.)//s) { $out .= '%q' }
        elsif ($text =~ s/^'[^']*'//) { $out .= ' %q ' }
        elsif ($text =~ s/^"\$\@"//) { $out .= ' %args ' }
        elsif ($text =~ s/^"((?:[^"\\]|\\.)*)"//s) {
            my $s = $1;
            push @inner, $s =~ m{\$\(([^()]*)\)}g;
            $out .= ' %q ';
        }
        elsif ($out =~ /(?:^|\s)$/ && $text =~ s/^#[^\n]*//) { }
        else { $text =~ s/^(.[^\\'"#]*)//s; $out .= $1 }
    }
    return ($out, @inner);
}

sub segments_of {
    my ($line) = @_;
    $line =~ s/\$?\((\((?:[^()]++|(?1))*\))\)/ %q /g;          # arithmetic, nested too
    $line =~ s/\$\{[^{}]*\}/%q/g;                             # parameter expansion
    $line =~ s/\bcase\b.*?\bin\b//;                           # case WORD in: patterns follow
    $line =~ s/(^|;;)\s*[^()\s;&|][^()]*?\)/$1 /g;            # case patterns: "a | b)"
    return split /&&|\|\||[|;&()`{}]/, $line;
}

for my $file (@ARGV) {
    open my $fh, '<', $file or die "$file: $!";
    my $text = do { local $/; <$fh> };
    $text =~ s/\\\n/ /g;
    # sh -c "...": the string is a command line.
    $text =~ s/\b(?:sh|bash)\s+-c\s+"((?:[^"\\]|\\.)*)"/push @segments, [undef, $_, $file] for segments_of((unquote($1))[0]); 'sh -c %q'/ge;
    my ($plain, @inner) = unquote($text);
    $plain =~ s/[A-Za-z_]\w*\+?=\([^()]*\)/ /g;    # array assignments, over lines too
    push @segments, [undef, $_, $file] for map { segments_of($_) } @inner;
    my $current;
    for my $line (split /\n/, $plain) {
        if ($line =~ /^\s*(?:function\s+)?([A-Za-z_][\w-]*)\s*\(\)/) {
            $functions{$1} = 1;
            $current = "$file $1";
        }
        push @segments, [$current, $_, $file] for segments_of($line);
        $current = undef if $line =~ /^\}/ || ($line =~ /\(\)\s*\{.*\}\s*$/);
    }
}

# A helper whose body runs "$@" as a command is given a command line.
for (@segments) {
    my ($function, $text) = @$_;
    $runners{$function} = 1 if defined $function && $text =~ /^\s*(?:(?:if|then|!|exec)\s+)*%args/;
}

for (@segments) {
    my @tokens = grep { length } split /\s+/, $_->[1];
    next unless @tokens;
    my $command;
    my $expect = 1;    # the next plain word is a command
    while (my $t = shift @tokens) {
        if ($t =~ /^[A-Za-z_]\w*=/ || $t =~ /^\d*[<>]/) {
            shift @tokens if $t =~ /^\d*[<>]+&?$/;    # "> file": the file is no command
            next;
        }
        if ($expect) {
            last if $no_command{$t};
            next if $keyword{$t};
            if ($t =~ /^[A-Za-z_][\w.+-]*$/) {
                if ($functions{$t}) {
                    # A helper given a command line: its first plain word after the
                    # quoted arguments; any other helper's arguments are its own.
                    last unless $runners{"$_->[2] $t"};
                    shift @tokens while @tokens && $tokens[0] !~ /^[A-Za-z_][\w.+-]*$/;
                    next;
                }
                $run{$t} = 1;
                if ($wrapper{$t}) {
                    shift @tokens while @tokens && ($tokens[0] =~ /^-/ || $tokens[0] =~ /^[\d.]+[smhd]?$/
                                                   || $tokens[0] =~ /^[A-Za-z_]\w*=/);
                    next;
                }
            }
            $expect = 0;
            next;
        }
        $word{$t} = 1 if $t =~ /^[A-Za-z_][\w.+-]*$/ && !$functions{$t};
    }
}

delete $word{$_} for keys %run;
print "run $_\n" for sort keys %run;
print "word $_\n" for sort keys %word;
