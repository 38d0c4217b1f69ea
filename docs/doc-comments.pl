#!/usr/bin/perl
# Doxygen input filter: hands Doxygen the headers' plain // comments as
# documentation, so that the sources keep the comment style they are written
# in (docs/Doxyfile, INPUT_FILTER). Line numbers are kept.
#
#  - The paragraph a header opens with describes the class the file is about:
#    the one it names first ("VXNLib: the object ...") or the one named after
#    the file; otherwise it describes the file.
#  - A run of // lines directly above a declaration (no blank line between)
#    documents it; "// ---- group ----" headings do not. Only declarations at
#    namespace, class or enumeration level count: comments inside inline
#    function bodies stay notes for the reader of the code.
#  - A // comment after a member or an enumerator on its line documents it.
#  - In comment text, characters Doxygen would read as commands, HTML or
#    Markdown emphasis (\ @ < > & # *) are escaped: "L*a*b*" stays itself.
use strict;
use warnings;

my $file = shift @ARGV or die "usage: doc-comments.pl HEADER\n";
open(my $in, '<', $file) or die "$file: $!\n";
my @lines = <$in>;
close $in;

sub escaped {
    my ($text) = @_;
    $text =~ s/([\\@<>&#*])/\\$1/g;
    return $text;
}

# A // line as a documentation line.
sub doc_line {
    my ($line) = @_;
    $line =~ s{^(\s*)//(.*?)(\r?\n?)$}{$1 . '///' . escaped($2) . $3}e;
    return $line;
}

sub is_comment { return $_[0] =~ m{^\s*//} }
sub is_heading { return $_[0] =~ m{^\s*//\s*(-{3,}|={3,})} }

# Classes and structs defined (not just declared) in the file.
my %defined;
for (@lines) {
    $defined{$1} = 1 if /^\s*(?:class|struct)\s+(\w+)(?:\s+final)?\s*(?::[^:]|\{|$)/ && !/;\s*$/;
}

# The opening paragraph: the // lines before the first other line.
my $open_end = 0;
$open_end++ while $open_end < @lines && is_comment($lines[$open_end]);
if ($open_end > 0) {
    my ($base) = $file =~ m{([^/]+)\.\w+$};
    my ($named) = $lines[0] =~ m{^//\s*(\w+)\s*:};
    my $target = defined $named && $defined{$named} ? $named : $defined{$base} ? $base : undef;
    $lines[$_] = doc_line($lines[$_]) for 0 .. $open_end - 1;
    # The structural command goes at the end, so that its argument cannot
    # run into the text.
    my $command = defined $target ? " \\class $target" : " \\file";
    $lines[$open_end - 1] =~ s/(\r?\n?)$/$command$1/;
}

# Below the opening paragraph: documentation comments above declarations,
# found by following the braces (which open a scope, which a body).
my @stack;           # one entry per open brace: 1 scope, 0 function body
my $statement = '';  # code since the last ; { or }
my @pending;         # indices of the // lines directly above this line
for my $i ($open_end .. $#lines) {
    my $line = $lines[$i];
    my $at_scope = !grep { !$_ } @stack;
    if (is_comment($line)) {
        if (is_heading($line)) {
            @pending = ();
        } else {
            push @pending, $i;
        }
        next;
    }
    my $code = $line;
    $code =~ s/"(?:\\.|[^"\\])*"/""/g;
    $code =~ s/'(?:\\.|[^'\\])*'/''/g;
    my $trailing = $code =~ s{\s//(.*)$}{};
    if ($line =~ /\S/ && $line !~ /^\s*#/ && $at_scope) {
        $lines[$_] = doc_line($lines[$_]) for @pending;
        # A member or an enumerator with its comment on the same line.
        if ($trailing && $code =~ /[;,]\s*$|^\s*\w+(\s*=\s*[^;]+)?\s*$/) {
            $lines[$i] =~ s{(\S)(\s+)//(.*?)(\r?\n?)$}{$1 . $2 . '///<' . escaped($3) . $4}e;
        }
    }
    @pending = ();
    for my $c (split //, $code) {
        if ($c eq '{') {
            (my $head = $statement) =~ s/template\s*<[^>]*>//g;
            push @stack, ($head =~ /\b(class|struct|union|enum|namespace)\b|extern\s*""/ ? 1 : 0);
            $statement = '';
        } elsif ($c eq '}') {
            pop @stack;
            $statement = '';
        } elsif ($c eq ';') {
            $statement = '';
        } else {
            $statement .= $c;
        }
    }
    $statement .= ' ';
}
print @lines;
