#!/usr/bin/perl
# Dumps a hive as Parse::Win32Registry reads it, for the cross-checks: every key by its path
# below the root, with its class and time, and every value with its type and raw data in hex.
#
#   win32registry_dump.pl HIVE
#
# Lines (UTF-8, keys and values in stored order):
#   K <path>                    a key; the root is "" ; subkeys follow their parent's values
#   C <class>                   the key's class name, when it has one
#   T <seconds since 1970>      the key's last-written time
#   S <owner> <group>           the owner and group of the key's security descriptor
#   V <type> <size> <hex> <name>    a value: type number, data size, data as hex, name
use strict;
use warnings;
use Parse::Win32Registry;

binmode STDOUT, ':encoding(UTF-8)';
# The module reports what it cannot read as warnings: keep them, on standard error.
Parse::Win32Registry::enable_warnings();

my $file = shift @ARGV or die "usage: $0 HIVE\n";
my $registry = Parse::Win32Registry->new($file) or die "$file: not a hive Parse::Win32Registry can open\n";
my $root = $registry->get_root_key or die "$file: no root key\n";

sub dump_key {
    my ($key, $path) = @_;
    print "K $path\n";
    my $class = $key->get_class_name;
    print "C $class\n" if defined $class && $class ne '';
    my $time = $key->get_timestamp;
    print 'T ', (defined $time ? $time : '?'), "\n";
    my $security = $key->get_security;
    if (defined $security) {
        my $descriptor = $security->get_security_descriptor;
        my $owner = $descriptor ? $descriptor->get_owner : undef;
        my $group = $descriptor ? $descriptor->get_group : undef;
        print 'S ', ($owner ? $owner->as_string : '-'), ' ', ($group ? $group->as_string : '-'), "\n";
    }
    foreach my $value ($key->get_list_of_values) {
        my $data = $value->get_raw_data;
        $data = '' unless defined $data;
        printf "V %d %d %s %s\n", $value->get_type, length($data), unpack('H*', $data), $value->get_name;
    }
    foreach my $subkey ($key->get_list_of_subkeys) {
        dump_key($subkey, $path . '\\' . $subkey->get_name);
    }
}

dump_key($root, '');
