# Sets Japanese text for groff, which before 1.23 knows nothing of it: it breaks lines
# only at spaces, and Japanese has none, and it puts a space wherever two input lines
# meet, which Japanese does not want. So
#  - every line gets a break point (\:) between two of its Japanese characters, except
#    before a character that must not start a line (、。」 small kana, ー) or after one
#    that must not end it (「（);
#  - with --join (the Japanese pages), the font macros of running text (.B, .BR, ...)
#    become inline font changes, and a text line is continued (\c) by the next without
#    a space where both meet in Japanese characters, or one side is Japanese punctuation.
# Titles, headings, comments, examples (.EX/.EE) and the NAME section, which mandb reads
# for whatis, are left as they are.
#   perl -CSD ja-line-breaks.pl [--join] < page.1 > page-for-groff.1
use strict;
use warnings;
use utf8;

my $join = @ARGV && $ARGV[0] eq '--join';

my $japanese = qr/[\x{3000}-\x{30FF}\x{3400}-\x{9FFF}\x{F900}-\x{FAFF}\x{FF00}-\x{FFEF}]/;
my $no_start = qr/[、。，．・：；！？）」』】〕ーぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ\x{FF09}]/;
my $no_end = qr/[（「『【〔\x{FF08}]/;
my $punctuation = qr/[、。，．：；（）「」『』\x{FF08}\x{FF09}]/;
my $font_escapes = qr/(?:\\f[BIRP]|\\&)*/;

# The arguments of a macro line, as troff splits them: words, or quoted with "" for ".
sub arguments {
    my ($text) = @_;
    my @words;
    while ($text =~ /\G\s*(?:"((?:[^"]|"")*)"?|(\S+))/gc) {
        my $word = defined $1 ? $1 : $2;
        $word =~ s/""/"/g if defined $1;
        push @words, $word;
    }
    return @words;
}

# A font macro line as inline text: .B a b -> \fBa b\fR; .BR a b c -> \fBa\fRb\fBc\fR.
sub inline_fonts {
    my ($macro, $text) = @_;
    my @words = arguments($text);
    return undef unless @words;
    if (length $macro == 1) {
        return "\\f$macro" . join(' ', @words) . "\\fR";
    }
    my @fonts = split //, $macro;
    my $line = '';
    for my $i (0 .. $#words) {
        $line .= "\\f$fonts[$i % 2]$words[$i]";
    }
    $line .= "\\fR";
    $line = "\\&$line" if $line =~ /^[.']/;
    return $line;
}

my @lines = <STDIN>;
chomp @lines;
my @kind;    # 'keep': left as it is; 'request'; 'text'; 'tag' (the line after .TP)
my ($in_name, $no_fill, $after_tp) = (0, 0, 0);
for my $i (0 .. $#lines) {
    my $line = $lines[$i];
    if ($line =~ /^\.SH\s+"?(.*?)"?\s*$/) {
        $in_name = $1 eq '名前' || $1 eq 'NAME';
        $kind[$i] = 'keep';
        next;
    }
    $no_fill = 1 if $line =~ /^\.(?:EX|nf)\b/;
    if ($in_name || $no_fill || $line =~ /^(?:\.(?:TH|SS)\b|\.\\"|'\\")/) {
        $kind[$i] = 'keep';
    } elsif ($join && $line =~ /^\.(B|I|BR|RB|IR|RI|BI|IB)\s+(.*)$/
             && defined(my $inline = inline_fonts($1, $2))) {
        $lines[$i] = $inline;
        $kind[$i] = $after_tp ? 'tag' : 'text';
    } elsif ($line =~ /^[.']/) {
        $kind[$i] = 'request';
    } else {
        $kind[$i] = $after_tp ? 'tag' : 'text';
    }
    $no_fill = 0 if $line =~ /^\.(?:EE|fi)\b/;
    $after_tp = $line =~ /^\.TP\b/ ? 1 : 0;
}

for my $i (0 .. $#lines) {
    next if $kind[$i] eq 'keep';
    if ($kind[$i] ne 'request') {
        $lines[$i] =~ s/(?<=$japanese)(?<!$no_end)(?=$japanese)(?!$no_start)/\\:/g;
    }
    # Two lines meet without a space where both sides are Japanese, after Japanese
    # punctuation and before it.
    if ($join && $kind[$i] eq 'text' && $i < $#lines && $kind[$i + 1] eq 'text'
        && (($lines[$i] =~ /$japanese$font_escapes$/ && $lines[$i + 1] =~ /^$font_escapes$japanese/)
            || $lines[$i] =~ /$punctuation$font_escapes$/
            || $lines[$i + 1] =~ /^$font_escapes$punctuation/)) {
        # A break point there too, unless a character forbids it.
        my $breaks = $lines[$i] !~ /$no_end$font_escapes$/ && $lines[$i + 1] !~ /^$font_escapes$no_start/;
        $lines[$i] .= $breaks ? '\:\c' : '\c';
    }
}
print "$_\n" for @lines;
