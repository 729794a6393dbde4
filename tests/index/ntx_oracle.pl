#!/usr/bin/perl
# Prints every entry of an NTX file in index order as "record<TAB>key", read by the independent XBase::Index.
# Usage: ntx_oracle.pl FILE char|num
use strict;
use warnings;
use XBase::Index;

my ($file, $type) = @ARGV;
my $index = XBase::Index->new($file, 'type' => ($type eq 'num' ? 'N' : 'C'))
    or die "cannot open $file: " . XBase::Index->errstr . "\n";
$index->prepare_select;
binmode STDOUT;
while (my ($key, $record) = $index->fetch) {
    $key =~ s/\s+$// unless $type eq 'num';
    print "$record\t$key\n";
}
